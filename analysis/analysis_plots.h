// The plots of a series, channels overlaid with a legend: heat flux, inner and
// outer temperatures, and the running resistance with its ±5 % band around the
// final R, the 24-hour mark and the two 2/3 windows. Hours from the series' start.
#pragma once

#include <memory>

#include "analysis/average_method.h"

class QChart;

namespace kalora::analysis {

enum class Plot { flux, temperatures, resistance };
inline constexpr Plot plots[] = {Plot::flux, Plot::temperatures, Plot::resistance};

// A new chart of one plot of the series.
std::unique_ptr<QChart> make_chart(const SeriesResult& series, Plot plot);

}  // namespace kalora::analysis
