#include "sample_stats/sample_plot.h"

#include <algorithm>
#include <cmath>

namespace kalora::samples {

namespace {

constexpr plot::Rgb measured = 0x1f5fbf;
constexpr plot::Rgb outlier = 0xc0392b;
constexpr plot::Rgb line = 0x2e8b57;
constexpr plot::Rgb reference = 0x808080;

bool is_outlier(const SampleGroup& g, std::size_t row) {
  return std::find(g.outliers.begin(), g.outliers.end(), row) != g.outliers.end();
}

}  // namespace

plot::Plot group_plot(const SampleResults& results, const SampleGroup& g) {
  plot::Plot p;
  p.title = g.name;
  p.y.title = "λ, Вт/(м·К)";
  plot::Line points{"измерения", {}, measured};
  points.dots = true;
  points.width = 3.5;  // dots big enough to count
  plot::Line odd{"возможный выброс", {}, outlier};
  odd.dots = true;
  odd.width = 3.5;
  const bool stationary = results.method == Method::stationary;
  p.x.title = stationary ? "tср, °C" : "строка группы";
  for (std::size_t k = 0; k < g.rows.size(); ++k) {
    const SampleRow& row = results.rows[g.rows[k]];
    const auto x = stationary ? row.t_mean() : std::optional(static_cast<double>(k + 1));
    if (!x || !row.lambda) continue;
    (is_outlier(g, g.rows[k]) ? odd : points).points.push_back({*x, *row.lambda});
  }
  p.lines.push_back(std::move(points));
  if (!odd.points.empty()) p.lines.push_back(std::move(odd));
  if (stationary && g.fit) {
    const LineFit& f = *g.fit;
    const auto at = [&](double t) { return plot::Point{t, f.lambda0 + f.b * t}; };
    p.lines.push_back({"λ = λ0 + b·tср", {at(f.t_min), at(f.t_max)}, line});
    // Beyond the measured range the line is extrapolated up to the reference temperatures.
    const double low = std::min(f.t_min, reference_low), high = std::max(f.t_max, reference_high);
    plot::Line beyond{"", {at(low), at(f.t_min), {f.t_min, NAN}, at(f.t_max), at(high)}, line, plot::Dash::dash};
    p.lines.push_back(std::move(beyond));
    p.marks.push_back({"10 °C", reference_low, reference, plot::Dash::dot});
    p.marks.push_back({"25 °C", reference_high, reference, plot::Dash::dot});
  } else if (!stationary && g.lambda_mean && !g.rows.empty()) {
    // Half a row of room at both ends keeps the first and last points off the frame.
    p.x.low = 0.5;
    p.x.high = static_cast<double>(g.rows.size()) + 0.5;
    p.lines.push_back({"среднее", {{1, *g.lambda_mean}, {static_cast<double>(g.rows.size()), *g.lambda_mean}},
                       line, plot::Dash::dash});
  }
  return p;
}

}  // namespace kalora::samples
