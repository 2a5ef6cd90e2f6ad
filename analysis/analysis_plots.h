// The plots of a series, channels overlaid with a legend: heat flux, inner and
// outer temperatures, and the running resistance with its ±5 % band around the
// final R, the 24-hour mark and the two 2/3 windows, and the measured flux against
// the dynamic method's model of it. Hours from the series' start.
#pragma once

#include "analysis/average_method.h"
#include "analysis/plot.h"

namespace kalora::analysis {

enum class SeriesPlot { flux, temperatures, resistance, model };
inline constexpr SeriesPlot series_plots[] = {SeriesPlot::flux, SeriesPlot::temperatures, SeriesPlot::resistance,
                                              SeriesPlot::model};

// One plot of the series, for the plot painter.
plot::Plot make_plot(const SeriesResult& series, SeriesPlot which);

}  // namespace kalora::analysis
