// TNumericVision: how the grids show numbers ("00.0" shows 5.2 as 05.2).
#pragma once

#include <string>
#include <string_view>

namespace kalora::views {

inline constexpr std::string_view NumericVision_lam = "0.000";  // thermal conductivity
inline constexpr std::string_view NumericVision_h = "0.0";      // sample thickness
inline constexpr std::string_view NumericVision_temp = "00.0";  // temperatures
inline constexpr std::string_view NumericVision_r = "0.000";    // thermal resistance, probe specific heat
inline constexpr std::string_view NumericVision_q = "000.0";    // heat-flow density

// The value by the pattern, with a point before the decimals and a leading minus
// for negative values; an empty pattern shows the value's shortest stored form.
std::string numeric_vision(double value, std::string_view pattern);

}  // namespace kalora::views
