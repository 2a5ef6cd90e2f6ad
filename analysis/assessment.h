// A channel's results beyond the average method: the dynamic method, the stored-heat
// criterion and the verdict drawn from all of them.
#pragma once

#include "analysis/average_method.h"

namespace kalora::analysis {

void assess(ChannelResult& channel, int kind, const AnalysisOptions& options);

// The verdict from a channel's criteria and its dynamic result (both already set).
Verdict decide(const ChannelResult& channel, int kind, const AnalysisOptions& options);

}  // namespace kalora::analysis
