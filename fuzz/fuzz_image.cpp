// A device image of arbitrary bytes through the image check and the three decoders:
// the first 8192 bytes fill fresh tables, the bytes after them (or the same image
// again) are appended, and every row is read back with its display texts.
#include <algorithm>
#include <array>
#include <memory>

#include "decode/check_flash.h"
#include "decode/flash2table.h"
#include "fuzz/fuzz_support.h"

namespace {

using kalora::State;
using Decoder = std::uint32_t (*)(State&, kalora::Frontend&, std::uint8_t);
constexpr std::array<Decoder, 3> decoders{kalora::flash2table_stat, kalora::flash2table_zond,
                                          kalora::flash2table_potok};

std::uint8_t present(const State& s, int n) { return n == 1 ? s.stat_present : n == 2 ? s.zond_present : s.potok_present; }

void load(State& state, kalora::fuzz::Input image) {
  // As a ".bin" file is read: bytes past the image keep their values.
  std::copy(image.begin(), image.end(), state.flash.begin());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kalora;
  const fuzz::Input input(data, size);
  const fuzz::Input first = input.first(std::min(size, flash_size));
  const fuzz::Input second = size > flash_size ? input.subspan(flash_size, std::min(size - flash_size, flash_size)) : first;

  const auto owned = std::make_unique<State>();
  State& state = *owned;
  test::RecordingFrontend frontend;
  bind_calc_fields(state);

  load(state, first);
  check_flash(state, frontend);
  if (state.data_present == 0) return 0;
  for (int n = 1; n <= 3; ++n) {
    if (present(state, n) == 0) continue;
    fuzz::create_table(state, n, fuzz::work_file("image.db" + std::to_string(n)));
    decoders[n - 1](state, frontend, 0);
  }
  state.calc_enabled = 1;
  for (int n = 1; n <= 3; ++n) fuzz::read_rows(fuzz::table_of(state, n));

  load(state, second);
  check_flash(state, frontend);
  for (int n = 1; n <= 3; ++n) {
    if (present(state, n) != 0) decoders[n - 1](state, frontend, 1);
  }
  state.calc_enabled = 1;
  for (int n = 1; n <= 3; ++n) {
    fuzz::read_rows(fuzz::table_of(state, n));
    fuzz::table_of(state, n).close();
  }
  return 0;
}
