#include "device/transfer.h"

#include <algorithm>
#include <cstdio>

#include "decode/fields.h"

namespace kalora {

std::uint8_t decode_pair(std::span<const std::uint8_t> buffer, std::size_t pos) {
  return static_cast<std::uint8_t>((buffer[pos + 1] - 0x30) * 16 + (buffer[pos] - 0x30));
}

std::size_t find_char(const State& state, std::uint8_t value) {
  const auto it = std::find(state.rx_buf.begin(), state.rx_buf.end(), value);
  return static_cast<std::size_t>(it - state.rx_buf.begin());
}

void write_image_header(State& state) {
  static constexpr std::uint8_t magic[5] = {'k', 'L', 'r', '!', 'b'};
  std::copy(std::begin(magic), std::end(magic), state.flash.begin());
  state.flash[5] = state.dev_type;
  state.flash[6] = state.dev_subtype;
  put_u16(state.flash, 7, format_version);
}

std::string dump_damage(const State& state, std::size_t received, std::size_t expected_characters) {
  const std::size_t s = find_char(state, dump_start);
  const std::size_t p = find_char(state, dump_end);
  if (s >= received || p >= received || p < s) return std::string(dump_damage_no_start);
  const std::string expected = std::to_string(expected_characters);
  for (std::size_t k = s + 1; k < p; ++k) {
    const std::uint8_t c = state.rx_buf[k];
    if (c >= 0x30 && c <= 0x3F) continue;
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", c);
    return "посторонний символ (код " + std::string(code) + ") в позиции " + std::to_string(k - s) + " из " + expected;
  }
  const std::size_t count = p - s - 1;
  if (count != expected_characters) return "принято символов " + std::to_string(count) + " вместо " + expected;
  return {};
}

AssembledImage assemble_image(State& state) {
  const std::size_t s = find_char(state, dump_start);
  const std::size_t p = find_char(state, dump_end);
  write_image_header(state);

  // Characters of the payload: after 'S', before 'P' (or the end of rx_buf).
  const std::size_t first = s + 1;
  const std::size_t last = std::min(p, rx_buf_size);  // one past the last character
  const std::size_t characters = (s < rx_buf_size && first < last) ? last - first : 0;
  const std::size_t pairs = std::min(characters / 2, max_payload);

  const std::span<const std::uint8_t> rx(state.rx_buf);
  for (std::size_t k = 0; k < pairs; ++k) {
    state.flash[image_header_size + k] = decode_pair(rx, first + 2 * k);
  }

  AssembledImage result;
  result.length = image_header_size + pairs;
  // Nothing of an earlier image may pass for a record of this one.
  std::fill(state.flash.begin() + static_cast<std::ptrdiff_t>(result.length), state.flash.end(), 0);
  result.intact = s < p && p < rx_buf_size && characters % 2 == 0 && characters / 2 <= max_payload;
  return result;
}

}  // namespace kalora
