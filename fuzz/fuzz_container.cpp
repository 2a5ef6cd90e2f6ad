// A ".db" container of arbitrary bytes opened as "Открыть" does. What opens is read,
// sorted and filtered, saved and closed; the saved container must open again, and
// a refused one leaves no working copy behind.
#include <filesystem>
#include <memory>

#include "db/container.h"
#include "fuzz/fuzz_support.h"

namespace {

bool any_working_copy(const kalora::State& state) {
  for (int n = 1; n <= 3; ++n) {
    std::error_code ec;
    if (std::filesystem::exists(kalora::working_copy(state, n), ec)) return true;
  }
  return false;
}

void use_tables(kalora::State& state, std::uint8_t choice) {
  for (int n = 1; n <= 3; ++n) {
    kalora::fuzz::read_rows(kalora::fuzz::table_of(state, n));
    kalora::fuzz::sort_and_filter(kalora::fuzz::table_of(state, n), choice);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kalora;
  const auto owned = std::make_unique<State>();
  State& state = *owned;
  test::RecordingFrontend frontend;
  const std::uint8_t choice = size > 0 ? data[size - 1] : 0;
  const std::string name = fuzz::work_file("fuzz.db");
  fuzz::write_file(name, {data, size});

  if (Open_DB(state, frontend, name) != DbResult::ok) {
    if (state.db_open || any_working_copy(state)) __builtin_trap();
    return 0;
  }
  use_tables(state, choice);
  // A filtered heat-flow table, as its grid pages leave it.
  if (state.Dbf3.is_open()) {
    state.Dbf3.set_filter("MEASUR=2");
    state.Dbf3.set_filtered(true);
  }
  if (Save_DB(state, frontend) != DbResult::ok) __builtin_trap();
  Close_DB(state, frontend);
  if (any_working_copy(state)) __builtin_trap();

  if (Open_DB(state, frontend, name) != DbResult::ok) __builtin_trap();
  use_tables(state, choice);
  Close_DB(state, frontend);
  return 0;
}
