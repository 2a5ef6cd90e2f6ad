#include "analysis/measuring_time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <Eigen/Dense>

namespace kalora::analysis {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double meter_step = 0.1;     // °C, the meter's resolution
constexpr double white_enough = 0.05;  // Ljung–Box p of a grey-box model whose τ we believe

// The slowest time constant of the layers in hours: each layer cut into slices of at
// most 2 cm, a capacity at each slice's middle, the resistances between them and, for
// an air-to-air series, the surface resistances at the ends, where the measured
// temperatures hold the wall. The slowest mode decays as exp(−t/τ), 1/τ the smallest
// eigenvalue of C⁻¹K.
double layers_memory_hours(const Wall& wall, double r_in, double r_out) {
  std::vector<double> capacity, half;  // per slice: C and half its resistance
  for (const Layer& l : wall.layers) {
    const int slices = std::max(1, static_cast<int>(std::ceil(l.thickness_mm / 20)));
    for (int i = 0; i < slices; ++i) {
      capacity.push_back(*l.capacity() / slices);
      half.push_back(l.resistance() / slices / 2);
    }
  }
  const auto n = static_cast<Eigen::Index>(capacity.size());
  Eigen::MatrixXd K = Eigen::MatrixXd::Zero(n, n);
  for (Eigen::Index i = 0; i <= n; ++i) {
    const double r =
        (i == 0 ? r_in : half[static_cast<std::size_t>(i - 1)]) + (i == n ? r_out : half[static_cast<std::size_t>(i)]);
    if (i > 0) K(i - 1, i - 1) += 1 / r;
    if (i < n) K(i, i) += 1 / r;
    if (i > 0 && i < n) K(i - 1, i) = K(i, i - 1) = -1 / r;
  }
  // Symmetric form: C^-1/2 K C^-1/2 has the same eigenvalues.
  const Eigen::VectorXd scale = Eigen::Map<const Eigen::VectorXd>(capacity.data(), n).cwiseSqrt().cwiseInverse();
  const Eigen::MatrixXd A = scale.asDiagonal() * K * scale.asDiagonal();
  const double slowest = Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(A, Eigen::EigenvaluesOnly).eigenvalues()(0);
  return 1 / slowest / 3600;
}

double settled_hours(std::optional<double> memory_h) {
  return std::min(memory_h ? settled_memories * *memory_h : settled_hours_unknown_wall, settled_hours_unknown_wall);
}

// Half the meter's 0.1 °C step against the mean temperature difference: rounding that
// no length of recording averages away. The dynamic method's own interval adds to it.
double rounding_part(const ChannelResult& r) { return r.dT_mean > 0 ? meter_step / 2 / r.dT_mean : 1; }
double random_part(const ChannelResult& r) {
  const DynamicResult& d = *r.dynamic;
  return std::max(d.I_rel, d.I_rel_hac.value_or(0)) + rounding_part(r);
}
// How far the R over the first and the last two thirds stray from the whole.
double split_part(const DynamicResult& d) {
  double split = 0;
  for (const auto& part : {d.R_first, d.R_last})
    if (part)
      split = std::max(split, std::fabs(*part - d.R) / d.R);
    else
      split = 1;  // no R over a part: nothing tells how far off R is
  return split;
}

// The hours of recording after which the interval would be within its limit: the
// random part narrows as 1/√T, the two thirds' spread as 1/T until the series settles.
double hours_for_interval(const ChannelResult& r, std::optional<double> memory_h) {
  const DynamicResult& d = *r.dynamic;
  const double I = random_part(r), s = split_part(d), T = r.hours;
  const auto with_split = [&](double limit) {  // I·y + s·y² = limit, y = √(T/T')
    const double y = s > 0 ? (-I + std::sqrt(I * I + 4 * s * limit)) / (2 * s) : limit / I;
    return T / (y * y);
  };
  double needed = with_split(short_series_limit);
  if (needed > week_hours) needed = std::max(week_hours, with_split(long_series_limit));
  const double random_only = T * std::pow(I / long_series_limit, 2);
  return std::min(needed, std::max({settled_hours(memory_h), random_only, week_hours}));
}

std::optional<double> hours_needed(const ChannelResult& r, std::optional<double> memory_h) {
  double needed = min_hours;
  if (r.dynamic) needed = std::max(needed, hours_for_interval(r, memory_h));
  if (memory_h) needed = std::max(needed, min_memories * *memory_h);
  if (!std::isfinite(needed)) return std::nullopt;
  return needed;
}

bool greybox_trusted(const GreyboxResult& g, double R_lo, double R_hi) {
  return g.white_p >= white_enough && R_lo <= g.R && g.R <= R_hi && g.R_hi - g.R_lo < R_hi - R_lo;
}

}  // namespace

double interval_limit(double hours) { return hours < week_hours ? short_series_limit : long_series_limit; }

std::optional<double> memory_hours(const ChannelResult& r, int kind, const AnalysisOptions& options) {
  const Wall& wall = options.wall;
  const bool air = kind == 0;
  if (wall.layered_capacity() && wall.resistance() > 0)
    return layers_memory_hours(wall, air ? options.rsi : 0, air ? options.rse : 0);
  // A capacity given as a total: the slowest mode of a uniform wall, R·C/π².
  if (wall.capacity() && wall.resistance() > 0) return *wall.resistance() * *wall.capacity() / (pi * pi) / 3600;
  if (r.greybox && !r.greybox->tau_h.empty() && r.greybox->white_p >= white_enough) return r.greybox->tau_h.front();
  return std::nullopt;
}

double interval_share(const ChannelResult& r, std::optional<double> memory_h) {
  const DynamicResult& d = *r.dynamic;
  return random_part(r) + (r.hours < settled_hours(memory_h) ? split_part(d) : 0);
}

void complete_verdict(ChannelResult& r, int kind, const AnalysisOptions& options) {
  Verdict& v = r.verdict;
  const auto memory_h = memory_hours(r, kind, options);
  if (r.dynamic && v.method == "dynamic") {
    const double w = std::min(interval_share(r, memory_h), 0.9);
    v.R_lo = r.dynamic->R * (1 - w);
    v.R_hi = r.dynamic->R * (1 + w);
    if (r.greybox && greybox_trusted(*r.greybox, *v.R_lo, *v.R_hi)) {
      v.method = "greybox";
      v.R_best = r.greybox->R;
      // Its profile interval, no narrower than the meter's rounding allows.
      const GreyboxResult& g = *r.greybox;
      v.R_lo = std::min(g.R_lo, g.R * (1 - rounding_part(r)));
      v.R_hi = std::max(g.R_hi, g.R * (1 + rounding_part(r)));
    }
  }
  if (v.trust == Trust::reliable || !v.R_best || !(r.dT_mean >= min_useful_difference)) return;
  const auto needed = hours_needed(r, memory_h);
  if (!needed) return;
  v.days_more = std::max(1.0, std::ceil((*needed - r.hours) / 24));
}

std::string measuring_advice(const ChannelResult& r) {
  const Verdict& v = r.verdict;
  if (v.trust == Trust::reliable || !v.R_best) return {};
  char b[160];
  if (v.days_more) {
    std::snprintf(b, sizeof b, "Продолжите измерение ещё примерно %.0f сут.", *v.days_more);
    return b;
  }
  if (!(r.dT_mean >= min_useful_difference)) {
    std::snprintf(b, sizeof b, "%.1f", r.dT_mean);
    std::string difference = b;
    std::replace(difference.begin(), difference.end(), '.', ',');
    return "Перепад температур слишком мал (" + difference +
           " °C): продолжение измерения не поможет, повторите его в более холодную погоду.";
  }
  return {};
}

}  // namespace kalora::analysis
