// Probe-method records: 12 bytes each, back to back from offset 1568 to the end of
// the image.
#include <optional>

#include "decode/append_records.h"
#include "decode/fields.h"
#include "decode/flash2table.h"
#include "decode/layout.h"

namespace kalora {

namespace {

constexpr std::size_t zond_room = (flash_size - layout::zond_records) / layout::zond_record_size;

std::size_t fill_zond(Bytes image, std::size_t p, db::DbfTable& row) {
  std::size_t overflowed = 0;
  if (!row.set_number("HEAT", get_u16(image, p) / 1000.0)) ++overflowed;
  if (!row.set_number("SHEAT", get_u16(image, p + 2) / 100.0)) ++overflowed;
  // The density, a whole number; above 9999 it does not fit its four places.
  if (!row.set_number("THICK", get_u16(image, p + 4))) ++overflowed;
  row.set_text("TIME", time_text(image, p + 6));
  row.set_text("DATE", date_text(image, p + 9));
  row.set_text("COMMENT", "");
  return overflowed;
}

}  // namespace

std::uint32_t flash2table_zond(State& state, Frontend& frontend, std::uint8_t mode) {
  // Without a probe table there is nothing to fill (the append command says so).
  if (!state.Dbf2.is_open()) return 0;
  const RecordReader reader{
      state.zond_count,
      zond_room,
      [](std::size_t k) { return std::optional(layout::zond_records + layout::zond_record_size * k); },
      fill_zond,
      "Добавлено записей в зондовый метод: ",
  };
  return append_records(state, frontend, state.Dbf2, reader, mode);
}

}  // namespace kalora
