// Builds device images for tests: header, method flags, records in their areas.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "decode/layout.h"

namespace kalora::test {

struct Timestamp {
  std::uint8_t day = 1, month = 1, year = 6;  // year - 2000
  std::uint8_t hour = 12, minute = 0, second = 0;
};

struct Channel {
  std::uint16_t potok = 0, res = 0, t_in = 0, t_ext = 0;
};

class ImageBuilder {
 public:
  explicit ImageBuilder(std::uint8_t subtype, std::uint8_t type = 5) {
    const char magic[] = "kLr!b";
    for (int i = 0; i < 5; ++i) bytes[i] = static_cast<std::uint8_t>(magic[i]);
    bytes[5] = type;
    bytes[6] = subtype;
    bytes[7] = 100;
    bytes[8] = 0;
  }

  std::array<std::uint8_t, 8192> bytes{};
  std::size_t length = 8192;

  ImageBuilder& u8(std::size_t pos, std::uint8_t v) {
    bytes[pos] = v;
    return *this;
  }
  ImageBuilder& u16(std::size_t pos, std::uint16_t v) {
    bytes[pos] = static_cast<std::uint8_t>(v);
    bytes[pos + 1] = static_cast<std::uint8_t>(v >> 8);
    return *this;
  }
  ImageBuilder& time_date(std::size_t pos, const Timestamp& t) {
    bytes[pos] = t.second;
    bytes[pos + 1] = t.minute;
    bytes[pos + 2] = t.hour;
    bytes[pos + 3] = t.day;
    bytes[pos + 4] = t.month;
    bytes[pos + 5] = t.year;
    return *this;
  }

  // Heat-conductivity meter areas.
  ImageBuilder& methods(std::uint8_t flags) { return u8(layout::method_flags, flags); }
  ImageBuilder& stat_count(std::uint16_t n) { return u16(layout::stat_count, n); }
  ImageBuilder& zond_count(std::uint16_t n) { return u16(layout::zond_count, n); }
  ImageBuilder& stat_record(std::size_t i, std::uint16_t heat, std::uint16_t thick, std::uint16_t t_down,
                            std::uint16_t t_up, const Timestamp& t) {
    const std::size_t p = layout::stat_records + layout::stat_record_size * i;
    return u16(p, heat).u16(p + 2, thick).u16(p + 4, t_down).u16(p + 6, t_up).time_date(p + 8, t);
  }
  ImageBuilder& zond_record(std::size_t i, std::uint16_t heat, std::uint16_t sheat, std::uint16_t density,
                            const Timestamp& t) {
    const std::size_t p = layout::zond_records + layout::zond_record_size * i;
    return u16(p, heat).u16(p + 2, sheat).u16(p + 4, density).time_date(p + 6, t);
  }

  // Heat-flow meter.
  ImageBuilder& channel_types(std::uint8_t c1, std::uint8_t c2, std::uint8_t c3) {
    return u8(layout::channel_type[0], c1).u8(layout::channel_type[1], c2).u8(layout::channel_type[2], c3);
  }
  ImageBuilder& potok_count(std::uint16_t n) { return u16(layout::potok_count, n); }
  ImageBuilder& slot_index(std::size_t k, std::uint8_t slot) { return u8(layout::potok_index + k, slot); }
  ImageBuilder& slot(std::uint8_t s, std::uint8_t channels, std::uint8_t kind_mode, const Timestamp& t,
                     const std::array<Channel, 3>& ch = {}) {
    const std::size_t r = layout::potok_slots + layout::potok_slot_size * (s - 1);
    u8(r, channels).u8(r + 1, kind_mode).time_date(r + 2, t);
    for (std::size_t c = 0; c < 3; ++c) {
      const std::size_t b = r + 8 * (c + 1);
      u16(b, ch[c].potok).u16(b + 2, ch[c].res).u16(b + 4, ch[c].t_in).u16(b + 6, ch[c].t_ext);
    }
    return *this;
  }

  std::vector<unsigned char> file_bytes() const { return {bytes.begin(), bytes.begin() + length}; }
};

}  // namespace kalora::test
