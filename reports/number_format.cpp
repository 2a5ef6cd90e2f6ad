#include "reports/number_format.h"

#include <charconv>
#include <cmath>
#include <string>

namespace kalora::reports {

namespace {

struct Pattern {
  std::size_t whole_digits = 1;
  std::size_t decimals = 0;
};

Pattern parse(std::string_view pattern) {
  const auto point = pattern.find('.');
  if (point == std::string_view::npos) return {pattern.size(), 0};
  return {point, pattern.size() - point - 1};
}

// Adds one to the last digit of `digits`, carrying leftwards; true when the
// carry runs out of the front.
bool increment(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return false;
    }
    *it = '0';
  }
  return true;
}

struct Decimal {
  std::string whole;     // at least one digit
  std::string fraction;  // no trailing zeros
};

// The fewest significant digits that read back as `value` (not negative), in
// positional form.
Decimal shortest_decimal(double value) {
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
  const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
  const auto e = text.find('e');
  std::string digits;
  for (const char ch : text.substr(0, e)) {
    if (ch != '.') digits += ch;
  }
  const int exponent = std::stoi(std::string(text.substr(e + 1)));
  // digits = d0 d1 d2 ... with the point after d0, moved by the exponent.
  const long point = 1L + exponent;
  Decimal d;
  if (point <= 0) {
    d.whole = "0";
    d.fraction = std::string(static_cast<std::size_t>(-point), '0') + digits;
  } else if (static_cast<std::size_t>(point) >= digits.size()) {
    d.whole = digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
  } else {
    d.whole = digits.substr(0, static_cast<std::size_t>(point));
    d.fraction = digits.substr(static_cast<std::size_t>(point));
  }
  while (!d.fraction.empty() && d.fraction.back() == '0') d.fraction.pop_back();
  return d;
}

}  // namespace

std::string format_number(double value, std::string_view pattern) {
  if (!std::isfinite(value)) return {};
  const Decimal d = shortest_decimal(std::fabs(value));
  std::string whole = d.whole;
  std::string fraction = d.fraction;

  if (pattern.empty()) {
    const std::string text = fraction.empty() ? whole : whole + "," + fraction;
    return (value < 0 && text.find_first_not_of("0,") != std::string::npos) ? "-" + text : text;
  }

  const Pattern p = parse(pattern);
  if (fraction.size() > p.decimals) {
    const bool round_up = fraction[p.decimals] >= '5';
    fraction.resize(p.decimals);
    if (round_up && increment(fraction) && increment(whole)) whole.insert(whole.begin(), '1');
  }
  fraction.append(p.decimals - fraction.size(), '0');
  if (whole.size() < p.whole_digits) whole.insert(whole.begin(), p.whole_digits - whole.size(), '0');
  if (p.whole_digits == 0 && whole == "0") whole.clear();

  std::string text = whole;
  if (p.decimals > 0) text += "," + fraction;
  const bool zero = text.find_first_not_of("0,") == std::string::npos;
  return (value < 0 && !zero) ? "-" + text : text;
}

}  // namespace kalora::reports
