// What the verdict adds for a user: the interval of the recommended R and, for a
// channel not yet reliable, about how many days more of recording would make it so.
#pragma once

#include "analysis/average_method.h"

namespace kalora::analysis {

// The mean temperature difference below which the meter's 0.1 °C steps and the small
// flux leave too little to measure: recording longer does not help then.
inline constexpr double min_useful_difference = 5;  // °C

// Sets the verdict's R_lo, R_hi and days_more from the channel's methods (the verdict
// itself already decided).
void complete_verdict(ChannelResult& channel, int kind, const AnalysisOptions& options);

// "Продолжите измерение ещё примерно N сут." or why longer recording will not help;
// empty for a reliable channel or one without a figure.
std::string measuring_advice(const ChannelResult& channel);

}  // namespace kalora::analysis
