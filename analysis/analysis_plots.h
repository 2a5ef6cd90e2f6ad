// The plots of a series, channels overlaid with a legend: heat flux, inner and
// outer temperatures, and the running resistance with its ±5 % band around the
// final R, the 24-hour mark and the two 2/3 windows, and the measured flux against
// the dynamic method's model of it, and R_best with its 90 % interval after each 12 h
// as the series grew. Hours from the series' start.
#pragma once

#include "analysis/average_method.h"
#include <string_view>

#include "analysis/plot.h"

namespace kalora::analysis {

enum class SeriesPlot { flux, temperatures, resistance, model, growth };
inline constexpr SeriesPlot series_plots[] = {SeriesPlot::flux, SeriesPlot::temperatures, SeriesPlot::resistance,
                                              SeriesPlot::model, SeriesPlot::growth};
inline constexpr std::string_view growth_pending_text = "Изменение R по мере роста серии вычисляется…";

// One plot of the series, for the plot painter.
plot::Plot make_plot(const SeriesResult& series, SeriesPlot which);

}  // namespace kalora::analysis
