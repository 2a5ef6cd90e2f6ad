// The plots' axes: range, step and tick labels of plain numbers, elapsed hours and
// a clock, from data ranges as the plots meet them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "analysis/plot_scale.h"

namespace kalora::plot {
namespace {

constexpr double t0 = 1739189040;  // 10.02.2025 12:04:00 by the instrument's clock

struct ScaleCase {
  const char* what;
  AxisKind kind;
  double low, high;
  int max_ticks;
  double want_low, want_high;
  std::vector<std::string> labels;
};

const ScaleCase scale_cases[] = {
    {"whole numbers", AxisKind::value, 0, 10, 5, 0, 10, {"0", "2", "4", "6", "8", "10"}},
    {"given upside down", AxisKind::value, 10, 0, 5, 0, 10, {"0", "2", "4", "6", "8", "10"}},
    {"tenths, widened to whole steps", AxisKind::value, 0.13, 0.87, 4, 0, 1, {"0,0", "0,2", "0,4", "0,6", "0,8", "1,0"}},
    {"across zero", AxisKind::value, -3.7, 12.2, 6, -5, 15, {"-5", "0", "5", "10", "15"}},
    {"a ±5 % band", AxisKind::value, 2.6125, 2.8875, 5, 2.6, 2.9, {"2,6", "2,7", "2,8", "2,9"}},
    {"steps of 2.5", AxisKind::value, 0, 9, 4, 0, 10, {"0,0", "2,5", "5,0", "7,5", "10,0"}},
    {"one value", AxisKind::value, 5, 5, 4, 4.5, 5.5, {"4,50", "4,75", "5,00", "5,25", "5,50"}},
    {"one small λ", AxisKind::value, 0.036, 0.036, 4, 0.032, 0.04, {"0,032", "0,034", "0,036", "0,038", "0,040"}},
    {"zero alone", AxisKind::value, 0, 0, 4, -1, 1, {"-1,0", "-0,5", "0,0", "0,5", "1,0"}},
    {"thousandths", AxisKind::value, 0, 0.001, 4, 0, 0.001, {"0,00000", "0,00025", "0,00050", "0,00075", "0,00100"}},
    {"large numbers", AxisKind::value, 1234, 98765, 4, 0, 100000, {"0", "25000", "50000", "75000", "100000"}},
    {"not finite", AxisKind::value, std::numeric_limits<double>::quiet_NaN(), 3, 2, 0, 1, {"0,0", "0,5", "1,0"}},
    {"three days in hours, ending with the data", AxisKind::hours, 0, 73, 8, 0, 73, {"0", "12", "24", "36", "48", "60", "72"}},
    {"three days, narrow", AxisKind::hours, 0, 73, 3, 0, 73, {"0", "48"}},
    {"a month in hours", AxisKind::hours, 0, 700, 4, 0, 700, {"0", "336", "672"}},
    {"a span starting within an hour", AxisKind::hours, 5.5, 30, 4, 0, 30, {"0", "12", "24"}},
    {"less than two hours", AxisKind::hours, 0, 1.5, 3, 0, 1.5, {"0,0", "0,5", "1,0", "1,5"}},
    {"a clock over three days", AxisKind::clock, t0, t0 + 73 * 3600, 4, t0, t0 + 73 * 3600, {"11.02", "12.02", "13.02"}},
    {"a clock over midnight", AxisKind::clock, t0 + 11 * 3600 + 6 * 60, t0 + 13 * 3600 + 26 * 60, 4, t0 + 11 * 3600 + 6 * 60,
     t0 + 13 * 3600 + 26 * 60, {"11.02", "01:00"}},
    {"a clock within the hour", AxisKind::clock, t0 - 240, t0 + 2460, 3, t0 - 240, t0 + 2460,
     {"12:00", "12:15", "12:30", "12:45"}},
    {"a clock on one moment", AxisKind::clock, t0 - 240, t0 - 240, 2, t0 - 3840, t0 + 3360,
     {"11:00", "12:00", "13:00"}},
    {"a clock over new year", AxisKind::clock, 1735689600 - 6 * 3600, 1735689600 + 6 * 3600, 2,
     1735689600 - 6 * 3600, 1735689600 + 6 * 3600, {"18:00", "01.01", "06:00"}},
};

TEST(PlotScale, RangesStepsAndLabels) {
  for (const ScaleCase& c : scale_cases) {
    const Scale s = axis_scale(c.kind, c.low, c.high, c.max_ticks);
    EXPECT_NEAR(s.low, c.want_low, 1e-9 * std::max(1.0, std::abs(c.want_low))) << c.what;
    EXPECT_NEAR(s.high, c.want_high, 1e-9 * std::max(1.0, std::abs(c.want_high))) << c.what;
    std::vector<std::string> labels;
    for (const Tick& t : s.ticks) {
      labels.push_back(t.label);
      EXPECT_TRUE(t.at >= s.low - 1e-9 && t.at <= s.high + 1e-9) << c.what << ": " << t.label;
      EXPECT_EQ(t.major, c.kind == AxisKind::clock && t.label.find('.') != std::string::npos) << c.what;
    }
    EXPECT_EQ(labels, c.labels) << c.what;
  }
}

TEST(PlotScale, NumberLabels) {
  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {{-1.25, 2, "-1,25"}, {-0.04, 1, "0,0"}, {2.749, 3, "2,749"}, {1e6, 0, "1000000"}, {0.5, 0, "0"}};
  for (const auto& c : cases) EXPECT_EQ(number_label(c.value, c.decimals), c.text) << c.value;
}

}  // namespace
}  // namespace kalora::plot
