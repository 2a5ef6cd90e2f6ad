#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "decode/flash2table.h"

namespace kalora {

namespace {

// Sensor codes 0..5, then the two modes.
constexpr std::array<std::string_view, 8> code_texts{
    "НЕТ", "диам. 27 мм", "12X80", "20X80", "40X80", "110X110", "Оперативный", "Наблюдения",
};
constexpr int first_mode_text = 6;

// An empty field reads as 0. A code the instrument does not know shows as its number
// rather than borrowing a neighbouring text.
std::string code_text(std::optional<double> value, int first, int last) {
  const double code = value.value_or(0);
  const double position = code + first;
  if (position >= first && position <= last && code == std::floor(code)) {
    return std::string(code_texts[static_cast<std::size_t>(position)]);
  }
  char digits[32];
  std::snprintf(digits, sizeof digits, "%g", code);
  return digits;
}

}  // namespace

void Dbf3CalcFields(const State& state, const db::DbfTable& table, db::CalcFieldSink& sink) {
  if (table.record_count() == 0 || state.calc_enabled != 1) return;
  sink.set("TYPE_1_", code_text(table.number("TYPE_1"), 0, 5));
  sink.set("TYPE_2_", code_text(table.number("TYPE_2"), 0, 5));
  sink.set("TYPE_3_", code_text(table.number("TYPE_3"), 0, 5));
  sink.set("MODE_", code_text(table.number("MODE"), first_mode_text, first_mode_text + 1));
}

void bind_calc_fields(State& state) {
  state.Dbf3.set_calc_fields(
      [&state](const db::DbfTable& table, db::CalcFieldSink& sink) { Dbf3CalcFields(state, table, sink); });
}

}  // namespace kalora
