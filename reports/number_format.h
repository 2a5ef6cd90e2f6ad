// Numbers as the reports print them.
#pragma once

#include <string>
#include <string_view>

namespace kalora::reports {

// `value` with a pattern of zeros and at most one point ("0.000", "000.0", "0"):
// the zeros before the point are the least number of whole digits (padded with
// leading zeros), those after it the decimals; a comma separates the decimals.
// The value is rounded half away from zero on its shortest decimal form, the form
// the table stores, so 12.3455 prints 12,346. An empty pattern prints that
// shortest form itself, with a comma. A result of zero never carries a minus.
std::string format_number(double value, std::string_view pattern);

}  // namespace kalora::reports
