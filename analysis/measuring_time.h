// What the verdict rests on besides the methods themselves: the wall's memory, the
// interval of the recommended R and, for a channel not yet reliable, about how many
// days more of recording would make it so.
#pragma once

#include "analysis/average_method.h"

namespace kalora::analysis {

// The mean temperature difference below which the meter's 0.1 °C steps and the small
// flux leave too little to measure: recording longer does not help then.
inline constexpr double min_useful_difference = 5;  // °C

// What "reliable" asks of R's interval (half-width relative to R): within ±2 % for a
// series shorter than a week, within ±5 % after. The short series of a heavy wall can
// be far off with a narrow interval; a week or more, it no longer is.
inline constexpr double week_hours = 168;
inline constexpr double short_series_limit = 0.02;
inline constexpr double long_series_limit = 0.05;
double interval_limit(double hours);

// A series of at least this many of the wall's slowest time constants, or of 10 days,
// has settled: the slow mode has died away and the R of
// its first and last two thirds no longer tell how far off R is. Shorter than
// min_memories time constants it is never reliable.
inline constexpr double settled_memories = 5;
inline constexpr double settled_hours_unknown_wall = 240;
inline constexpr double min_memories = 4;

// The wall's slowest time constant in hours: from its layers' design values when they
// are given, else from the grey-box model when its one-step errors are white; never
// from the measured R alone.
std::optional<double> memory_hours(const ChannelResult& channel, int kind, const AnalysisOptions& options);

// The half-width of the dynamic method's R interval relative to R: its 90 % interval
// (the wider of the ISO and the Newey–West one), half the meter's 0.1 °C step against
// the mean temperature difference, and while the series has not
// settled, how far the R of its first and last two thirds stray from the whole.
double interval_share(const ChannelResult& channel, std::optional<double> memory_h);

// Sets the verdict's R_lo, R_hi and days_more from the channel's methods (the verdict
// itself already decided), and recommends the grey-box R instead of the dynamic one
// when the grey-box model describes the data fully (white one-step errors), its R lies
// within the dynamic method's interval and its own interval is the narrower.
void complete_verdict(ChannelResult& channel, int kind, const AnalysisOptions& options);

// "Продолжите измерение ещё примерно N сут." or why longer recording will not help;
// empty for a reliable channel or one without a figure.
std::string measuring_advice(const ChannelResult& channel);

}  // namespace kalora::analysis
