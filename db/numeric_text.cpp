#include "db/numeric_text.h"

#include <charconv>
#include <cmath>

namespace kalora::db {

std::optional<std::string> format_numeric(double value, int width, int decimals) {
  if (!std::isfinite(value)) return std::nullopt;
  char digits[400];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return std::nullopt;
  std::string_view text(digits, static_cast<std::size_t>(end - digits));
  // A negative value that rounds to zero is stored as zero.
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string_view::npos) text.remove_prefix(1);
  if (text.size() > static_cast<std::size_t>(width)) return std::nullopt;
  return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + std::string(text);
}

std::optional<double> parse_numeric(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  // Fixed-point text only, as the field is written: an exponent, "nan" or "inf" (which
  // a foreign file may hold) stand for no measurement.
  const std::string_view digits = text.substr(!text.empty() && text.front() == '-' ? 1 : 0);
  const auto point = digits.find('.');
  const auto all_digits = [](std::string_view part) {
    return part.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (digits.empty() || digits == "." || !all_digits(digits.substr(0, point)) ||
      (point != std::string_view::npos && !all_digits(digits.substr(point + 1)))) {
    return std::nullopt;
  }
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace kalora::db
