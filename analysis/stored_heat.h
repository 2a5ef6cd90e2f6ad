// The heat stored in the wall: how much it changed between the first and the last
// day of a measurement, against the heat that passed through the wall meanwhile.
#pragma once

#include <optional>
#include <vector>

#include "analysis/wall_layers.h"

namespace kalora::analysis {

inline constexpr double max_stored_heat = 5;  // per cent of the heat passed

// Surface temperatures and flux of a channel's rows, time in seconds from its first.
struct SurfaceSeries {
  const std::vector<double>& seconds;
  const std::vector<double>& q;
  const std::vector<double>& t_si;
  const std::vector<double>& t_se;
};

// |ΔQ| / |Σ q·Δt| in per cent, with ΔQ from the steady temperature profile through
// the layers at the mean surface temperatures of the first and of the last 24 h (with
// only a total capacity: that times the change of the mean of both surfaces). Nothing
// without a capacity, with less than 24 h or with no heat passed.
std::optional<double> stored_heat_percent(const SurfaceSeries& s, const Wall& wall);

}  // namespace kalora::analysis
