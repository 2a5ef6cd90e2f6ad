#include "sample_stats/sample_groups.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "analysis/student_t.h"
#include "sample_stats/comment_key.h"

namespace kalora::samples {

namespace {

// Stored values carry at most nine decimals; differences below this are rounding.
constexpr double tolerance = 1e-9;

std::optional<double> mean_of(const std::vector<SampleRow>& rows, const std::vector<std::size_t>& group,
                              std::optional<double> SampleRow::*field) {
  double sum = 0;
  std::size_t count = 0;
  for (const std::size_t i : group) {
    if (const auto& v = rows[i].*field) {
      sum += *v;
      ++count;
    }
  }
  return count > 0 ? std::optional(sum / static_cast<double>(count)) : std::nullopt;
}

// Mean and sum of squared deviations, two passes for accuracy.
struct Moments {
  double mean = 0;
  double m2 = 0;
};

Moments moments(const std::vector<double>& x) {
  Moments m;
  for (const double v : x) m.mean += v;
  m.mean /= static_cast<double>(x.size());
  for (const double v : x) m.m2 += (v - m.mean) * (v - m.mean);
  return m;
}

void lambda_figures(SampleGroup& g, const std::vector<double>& lambda) {
  g.n = lambda.size();
  if (lambda.empty()) return;
  const Moments m = moments(lambda);
  g.lambda_mean = m.mean;
  const auto [lo, hi] = std::minmax_element(lambda.begin(), lambda.end());
  g.lambda_min = *lo;
  g.lambda_max = *hi;
  if (g.n < 2) return;
  const double sd = std::sqrt(m.m2 / static_cast<double>(g.n - 1));
  g.lambda_sd = sd;
  if (m.mean != 0) g.lambda_cv = sd / std::fabs(m.mean) * 100;
  g.lambda_ci95 = student_95(g.n) * sd / std::sqrt(static_cast<double>(g.n));
}

// Each value against the mean and deviation of the others (leave-one-out from the
// group's own moments, so a group costs one pass).
std::vector<std::size_t> outliers_of(const std::vector<double>& x, const std::vector<std::size_t>& rows_of_x) {
  std::vector<std::size_t> out;
  const std::size_t n = x.size();
  if (n < outlier_min_rows) return out;
  const Moments m = moments(x);
  const double k = static_cast<double>(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double others_mean = (k * m.mean - x[i]) / (k - 1);
    const double others_m2 = std::max(0.0, m.m2 - (x[i] - m.mean) * (x[i] - others_mean));
    const double others_sd = std::sqrt(others_m2 / (k - 2));
    const double distance = std::fabs(x[i] - others_mean);
    if (distance > outlier_sds * others_sd + tolerance * std::max(1.0, std::fabs(others_mean)))
      out.push_back(rows_of_x[i]);
  }
  return out;
}

void line_fit(SampleGroup& g, const std::vector<SampleRow>& rows) {
  std::vector<double> t, y;
  for (const std::size_t i : g.rows) {
    const auto tm = rows[i].t_mean();
    if (tm && rows[i].lambda) {
      t.push_back(*tm);
      y.push_back(*rows[i].lambda);
    }
  }
  if (t.size() < fit_min_rows) {
    g.no_fit = NoFit::few_rows;
    return;
  }
  const auto [lo, hi] = std::minmax_element(t.begin(), t.end());
  if (*hi - *lo < fit_min_span - tolerance) {
    g.no_fit = NoFit::narrow_span;
    return;
  }
  const Moments mt = moments(t), my = moments(y);
  double sty = 0;
  for (std::size_t i = 0; i < t.size(); ++i) sty += (t[i] - mt.mean) * (y[i] - my.mean);
  LineFit f;
  f.b = sty / mt.m2;
  f.lambda0 = my.mean - f.b * mt.mean;
  // Equal values of λ leave nothing for the line to explain.
  const auto [y_lo, y_hi] = std::minmax_element(y.begin(), y.end());
  if (*y_hi - *y_lo > tolerance) f.r2 = std::min(1.0, sty * sty / (mt.m2 * my.m2));
  f.t_min = *lo;
  f.t_max = *hi;
  f.lambda_low = f.lambda0 + f.b * reference_low;
  f.lambda_high = f.lambda0 + f.b * reference_high;
  f.low_outside = reference_low < f.t_min || reference_low > f.t_max;
  f.high_outside = reference_high < f.t_min || reference_high > f.t_max;
  g.fit = f;
}

void figures(SampleGroup& g, const std::vector<SampleRow>& rows, Method method) {
  std::vector<double> lambda;
  std::vector<std::size_t> rows_of_lambda;
  for (const std::size_t i : g.rows) {
    if (rows[i].lambda) {
      lambda.push_back(*rows[i].lambda);
      rows_of_lambda.push_back(i);
    }
  }
  lambda_figures(g, lambda);
  g.outliers = outliers_of(lambda, rows_of_lambda);
  if (method == Method::stationary) {
    g.thick_mean = mean_of(rows, g.rows, &SampleRow::thick);
    g.r_mean = mean_of(rows, g.rows, &SampleRow::r);
    g.q_mean = mean_of(rows, g.rows, &SampleRow::q);
    double sum = 0;
    std::size_t count = 0;
    for (const std::size_t i : g.rows) {
      if (const auto tm = rows[i].t_mean()) {
        sum += *tm;
        ++count;
      }
    }
    if (count > 0) g.t_mean = sum / static_cast<double>(count);
    line_fit(g, rows);
  } else {
    g.c_mean = mean_of(rows, g.rows, &SampleRow::c);
    g.rho_mean = mean_of(rows, g.rows, &SampleRow::rho);
    // a = λ/(ρ·c·1000) m²/s with c in kJ/(kg·K); a million mm² to the m².
    if (g.lambda_mean && g.c_mean && g.rho_mean && *g.c_mean > 0 && *g.rho_mean > 0)
      g.diffusivity = *g.lambda_mean / (*g.rho_mean * *g.c_mean * 1000) * 1e6;
  }
}

}  // namespace

double student_95(std::size_t n) { return analysis::student_t_quantile(0.975, static_cast<double>(n - 1)); }

SampleResults sample_groups(std::vector<SampleRow> rows, Method method) {
  SampleResults out;
  out.method = method;
  out.rows = std::move(rows);
  std::unordered_map<std::string, std::size_t> group_of;
  for (std::size_t i = 0; i < out.rows.size(); ++i) {
    const auto [it, added] = group_of.try_emplace(comment_key(out.rows[i].comment), out.groups.size());
    if (added) {
      SampleGroup g;
      g.name = trimmed(out.rows[i].comment);
      g.commented = !g.name.empty();
      if (!g.commented) g.name = no_comment_name;
      out.groups.push_back(std::move(g));
    }
    out.groups[it->second].rows.push_back(i);
  }
  for (SampleGroup& g : out.groups) figures(g, out.rows, method);
  return out;
}

}  // namespace kalora::samples
