// Stationary-method records: 14 bytes each, back to back from offset 86.
#include <optional>

#include "decode/append_records.h"
#include "decode/fields.h"
#include "decode/flash2table.h"
#include "decode/layout.h"

namespace kalora {

namespace {

constexpr std::size_t stat_room = (layout::stat_area_end - layout::stat_records) / layout::stat_record_size;

std::size_t fill_stat(Bytes image, std::size_t p, db::DbfTable& row) {
  std::size_t overflowed = 0;
  const auto put = [&](std::string_view field, std::optional<double> value) {
    if (!row.set_number(field, value)) ++overflowed;
  };
  put("HEAT", get_u16(image, p) / 1000.0);
  put("THICK", get_u16(image, p + 2) / 10.0);
  put("T_DOWN", get_temp(image, p + 4));
  put("T_UP", get_temp(image, p + 6));
  row.set_text("TIME", time_text(image, p + 8));
  row.set_text("DATE", date_text(image, p + 11));

  // R and Q from the values as the row now holds them. A zero conductivity or
  // thickness leaves the quantity that would divide by it empty.
  const auto heat = row.number("HEAT");
  const auto thick = row.number("THICK");
  const auto up = row.number("T_UP");
  const auto down = row.number("T_DOWN");
  std::optional<double> r;
  std::optional<double> q;
  if (heat && thick && *heat != 0) r = round_dec(*thick / *heat / 1000, 3);
  if (heat && thick && up && down && *thick != 0) q = round_dec(*heat * (*up - *down) / *thick * 1000, 1);
  put("R", r);
  put("Q", q);
  row.set_text("COMMENT", "");
  return overflowed;
}

}  // namespace

std::uint32_t flash2table_stat(State& state, Frontend& frontend, std::uint8_t mode) {
  if (!state.Dbf1.is_open()) return 0;
  state.calc_enabled = 0;
  const RecordReader reader{
      state.stat_count,
      stat_room,
      [](std::size_t k) { return std::optional(layout::stat_records + layout::stat_record_size * k); },
      fill_stat,
      "Добавлено записей в стационарный метод: ",
  };
  return append_records(state, frontend, state.Dbf1, reader, mode);
}

}  // namespace kalora
