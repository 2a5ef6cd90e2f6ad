// How a channel's result settled as its series grew: R_best and its 90 % interval
// from the analysis of the first 12 h of its rows, of the first 24 h, and so on,
// ending with the whole series. A user sees whether a longer measurement still
// changes the answer.
#pragma once

#include <functional>
#include <vector>

#include "analysis/average_method.h"

namespace kalora::analysis {

inline constexpr double growth_step_hours = 12;

// One step per 12 h of the channel's rows and the whole last; steps whose rows give no
// R_best are left out. `stop` is asked before each step: a stopped run returns what it
// has, and the caller knows it is not the whole.
std::vector<ChannelResult::GrowthStep> r_growth(const ChannelResult& channel, const AnalysisOptions& options,
                                                const std::function<bool()>& stop = {});

}  // namespace kalora::analysis
