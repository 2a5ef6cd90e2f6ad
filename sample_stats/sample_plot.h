// The plot of a group: λ against tср with its line (stationary), or λ row by row
// with the mean (probe); possible outliers stand out.
#pragma once

#include "analysis/plot.h"
#include "sample_stats/sample_groups.h"

namespace kalora::samples {

plot::Plot group_plot(const SampleResults& results, const SampleGroup& group);

}  // namespace kalora::samples
