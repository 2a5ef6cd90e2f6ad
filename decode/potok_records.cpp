// Heat-flow records: 200 slots of 32 bytes, read in the order of the slot index.
#include <array>
#include <optional>
#include <string>

#include "decode/append_records.h"
#include "decode/fields.h"
#include "decode/flash2table.h"
#include "decode/layout.h"

namespace kalora {

namespace {

struct ChannelFields {
  std::string_view type, potok, res, t_in, t_ext;
};
constexpr std::array<ChannelFields, 3> channel_fields{{
    {"TYPE_1", "POTOK_1", "RES_1", "T_IN_1", "T_EXT_1"},
    {"TYPE_2", "POTOK_2", "RES_2", "T_IN_2", "T_EXT_2"},
    {"TYPE_3", "POTOK_3", "RES_3", "T_IN_3", "T_EXT_3"},
}};

// A slot number outside 1..200 would point before the slot area or into the index
// and past the image: such a record is left out.
std::optional<std::size_t> slot_offset(Bytes image, std::size_t k) {
  const std::size_t slot = image[layout::potok_index + k];
  if (slot < 1 || slot > layout::potok_slot_count) return std::nullopt;
  return layout::potok_slots + layout::potok_slot_size * (slot - 1);
}

std::size_t fill_potok(const std::array<std::uint8_t, 3>& channel_type, Bytes image, std::size_t r, db::DbfTable& row) {
  std::size_t overflowed = 0;
  const auto put = [&](std::string_view field, double value) {
    if (!row.set_number(field, value)) ++overflowed;
  };
  const std::uint8_t kind_mode = image[r + 1];
  put("MEASUR", kind_mode & 0x7F);
  put("MODE", kind_mode >> 7);
  row.set_text("TIME", time_text(image, r + 2));
  row.set_text("DATE", date_text(image, r + 5));
  const bool with_resistance = (kind_mode & 3) < 2;  // kinds 0 and 1; kind 2 is heat flux only
  for (std::size_t c = 0; c < 3; ++c) {
    if (channel_type[c] == 0 || (image[r] & (1u << c)) == 0) continue;
    const std::size_t b = r + 8 * (c + 1);
    const ChannelFields& f = channel_fields[c];
    put(f.type, channel_type[c]);
    put(f.potok, round_dec(get_u16(image, b) / 100.0, 1));
    if (!with_resistance) continue;
    put(f.res, round_dec(get_u16(image, b + 2) / 100.0, 2));
    put(f.t_in, get_temp(image, b + 4));
    put(f.t_ext, get_temp(image, b + 6));
  }
  return overflowed;
}

}  // namespace

std::uint32_t flash2table_potok(State& state, Frontend& frontend, std::uint8_t mode) {
  // The decoder works on the whole table and leaves it unfiltered.
  state.Dbf3.set_filtered(false);
  state.Dbf3.set_filter("");
  if (!state.Dbf3.is_open()) return 0;
  bind_calc_fields(state);
  const std::array<std::uint8_t, 3> channel_type = state.channel_type;
  const RecordReader reader{
      state.potok_count,
      layout::potok_slot_count,
      [&state](std::size_t k) { return slot_offset(state.flash, k); },
      [channel_type](Bytes image, std::size_t r, db::DbfTable& row) { return fill_potok(channel_type, image, r, row); },
      "Добавлено записей: ",
  };
  return append_records(state, frontend, state.Dbf3, reader, mode);
}

}  // namespace kalora
