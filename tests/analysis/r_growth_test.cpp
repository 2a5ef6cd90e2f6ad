// How R settled as a series grew: a step per 12 h and the whole, each R inside its
// own interval, the last the channel's own result, and a stop honoured between steps.
#include <gtest/gtest.h>

#include "analysis/assessment.h"
#include "analysis/r_growth.h"
#include "support/wall_series.h"

namespace kalora::analysis {
namespace {

TEST(RGrowth, StepsOfTwelveHoursEndingWithTheWhole) {
  const auto wall = test::model_walls()[0];  // light: an R from the first day on
  struct Case {
    double days;
    std::size_t steps;  // 12 h prefixes shorter than the series, then the whole
    int stop_after;     // steps allowed before the stop; -1 for none
  } cases[] = {{3, 6, -1}, {2.25, 5, -1}, {0.4, 1, -1}, {3, 2, 2}};
  for (const Case& c : cases) {
    const test::Logged logged = test::simulate(wall, {}, c.days, 1);
    AnalysisOptions options;
    options.wall = test::wall_of(wall);
    auto channel = analyse_channel(test::series_of(logged, 1), 1, options);
    ASSERT_TRUE(channel);
    assess(*channel, 1, options);
    int asked = 0;
    const auto steps = r_growth(*channel, options, [&] { return c.stop_after >= 0 && asked++ >= c.stop_after; });
    ASSERT_EQ(steps.size(), c.steps) << c.days;
    for (std::size_t k = 0; k < steps.size(); ++k) {
      const bool last = c.stop_after < 0 && k + 1 == steps.size();
      EXPECT_NEAR(steps[k].hours, last ? channel->hours : 12.0 * static_cast<double>(k + 1), last ? 0 : 0.34) << c.days;
      EXPECT_LE(steps[k].R_lo.value_or(steps[k].R), steps[k].R) << c.days << " step " << k;
      EXPECT_GE(steps[k].R_hi.value_or(steps[k].R), steps[k].R) << c.days << " step " << k;
    }
    if (c.stop_after < 0) {
      EXPECT_EQ(steps.back().R, channel->verdict.R_best) << c.days;
    }
  }
}

}  // namespace
}  // namespace kalora::analysis
