// dBase numeric fields: right-aligned, blank-filled fixed-point text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kalora::db {

// The field text of `value` with exactly `decimals` decimals, `width` characters;
// nullopt when it does not fit (or is not a finite number). A zero, negative or
// not, is written as zero. Independent of the locale.
std::optional<std::string> format_numeric(double value, int width, int decimals);

// The value of a field text: blanks, a sign, digits with at most one decimal point.
// nullopt for an empty (all blank) field and for any other text, an exponent, "nan"
// and "inf" included, so every value read is finite and fits its field.
std::optional<double> parse_numeric(std::string_view text);

}  // namespace kalora::db
