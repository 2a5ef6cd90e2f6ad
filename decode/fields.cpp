#include "decode/fields.h"

#include <array>

namespace kalora {

std::uint16_t get_u16(Bytes buffer, std::size_t pos) {
  return static_cast<std::uint16_t>(buffer[pos] | (buffer[pos + 1] << 8));
}

std::uint32_t get_u32(Bytes buffer, std::size_t pos) {
  return static_cast<std::uint32_t>(buffer[pos]) | (static_cast<std::uint32_t>(buffer[pos + 1]) << 8) |
         (static_cast<std::uint32_t>(buffer[pos + 2]) << 16) | (static_cast<std::uint32_t>(buffer[pos + 3]) << 24);
}

void put_u16(MutableBytes buffer, std::size_t pos, std::uint32_t value) {
  buffer[pos] = static_cast<std::uint8_t>(value);
  buffer[pos + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put_u32(MutableBytes buffer, std::size_t pos, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) buffer[pos + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

double get_temp(Bytes buffer, std::size_t pos) {
  const std::uint16_t word = get_u16(buffer, pos);
  const double magnitude = round_dec(static_cast<double>(word & 0x7FFF) / 100.0, 1);
  return (word & 0x8000) ? -magnitude : magnitude;
}

namespace {

void append_two_digits(std::string& text, unsigned value) {
  text += static_cast<char>('0' + value / 10);
  text += static_cast<char>('0' + value % 10);
}

}  // namespace

std::string time_text(Bytes buffer, std::size_t pos) {
  const unsigned seconds = buffer[pos];
  const unsigned minutes = buffer[pos + 1];
  const unsigned hours = buffer[pos + 2];
  std::string text;
  text.reserve(8);
  if (hours > 23) text += "00";
  else append_two_digits(text, hours);
  text += ':';
  if (minutes > 59) text += "00";
  else append_two_digits(text, minutes);
  text += ':';
  if (seconds > 59) text += "00";
  else append_two_digits(text, seconds);
  return text;
}

std::string date_text(Bytes buffer, std::size_t pos) {
  const unsigned day = buffer[pos];
  const unsigned month = buffer[pos + 1];
  const unsigned year = 2000u + buffer[pos + 2];
  std::string text;
  text.reserve(10);
  if (day == 0 || day > 31) text += "01";
  else append_two_digits(text, day);
  text += '.';
  if (month == 0 || month > 12) text += "01";
  else append_two_digits(text, month);
  text += '.';
  text += std::to_string(year);
  return text;
}

namespace {

// The decimal number at 1-based positions [first, first + count) of a timestamp;
// a missing or non-digit character counts as 0, so a damaged text still compares.
unsigned timestamp_field(std::string_view text, std::size_t first, std::size_t count) {
  unsigned value = 0;
  for (std::size_t i = first - 1; i < first - 1 + count; ++i) {
    const char c = i < text.size() ? text[i] : '0';
    value = value * 10 + ((c >= '0' && c <= '9') ? static_cast<unsigned>(c - '0') : 0u);
  }
  return value;
}

}  // namespace

bool possible_timestamp(std::string_view text) {
  static constexpr std::string_view shape = "dd.mm.yyyyhh:mm:ss";
  if (text.size() != shape.size()) return false;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (digit != (shape[i] != '.' && shape[i] != ':') || (!digit && text[i] != shape[i])) return false;
  }
  const unsigned day = timestamp_field(text, 1, 2), month = timestamp_field(text, 4, 2);
  const unsigned year = timestamp_field(text, 7, 4);
  return day >= 1 && day <= 31 && month >= 1 && month <= 12 && year >= 2000 && year <= 2254 &&
         timestamp_field(text, 11, 2) < 24 && timestamp_field(text, 14, 2) < 60 && timestamp_field(text, 17, 2) < 60;
}

bool later_than(std::string_view old, std::string_view newer) {
  struct Field {
    std::size_t first, count;
  };
  // year, month, day, hour, minute, second
  static constexpr std::array<Field, 6> order{{{7, 4}, {4, 2}, {1, 2}, {11, 2}, {14, 2}, {17, 2}}};
  for (const Field& f : order) {
    const unsigned a = timestamp_field(old, f.first, f.count);
    const unsigned b = timestamp_field(newer, f.first, f.count);
    if (a != b) return b > a;
  }
  return false;
}

}  // namespace kalora
