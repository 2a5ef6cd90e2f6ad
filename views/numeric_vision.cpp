#include "views/numeric_vision.h"

#include <algorithm>

#include "reports/number_format.h"

namespace kalora::views {

// Rounding and padding are the reports' own; only the grid's separator differs.
std::string numeric_vision(double value, std::string_view pattern) {
  std::string text = reports::format_number(value, pattern);
  std::replace(text.begin(), text.end(), ',', '.');
  return text;
}

}  // namespace kalora::views
