#include "analysis/dynamic_method.h"

#include <algorithm>
#include <cmath>

#include "analysis/hac.h"
#include "analysis/least_squares.h"
#include "analysis/student_t.h"

namespace kalora::analysis {

namespace {

constexpr std::size_t unknowns = 2 * dynamic_memories + 3;
constexpr double memory_span = 2 * 86400.0;  // seconds the memory sums reach back at most
constexpr double hac_window = 86400.0;       // seconds of autocorrelation the HAC interval allows for

// The rows, their rates of change and the fixed columns of the model.
class Model {
 public:
  Model(const DynamicInput& in, double step, std::size_t p) : step_(step), p_(p), n_(in.seconds.size()) {
    d_in_.assign(n_, 0);
    d_ext_.assign(n_, 0);
    for (std::size_t i = 1; i < n_; ++i) {
      d_in_[i] = (in.t_in[i] - in.t_in[i - 1]) / step;
      d_ext_[i] = (in.t_ext[i] - in.t_ext[i - 1]) / step;
    }
    const std::size_t m = equations();
    a_.rows = m;
    a_.columns.assign(unknowns, std::vector<double>(m));
    b_.resize(m);
    for (std::size_t k = 0; k < m; ++k) {
      const std::size_t i = p_ + 1 + k;
      a_.columns[0][k] = in.t_in[i] - in.t_ext[i];
      a_.columns[1][k] = d_in_[i];
      a_.columns[2][k] = -d_ext_[i];
      b_[k] = in.q[i];
    }
  }

  std::size_t equations() const { return n_ - p_ - 1; }

  // The fit at τ (seconds).
  LeastSquares fit(double tau) {
    double t = tau;
    for (int n = 0; n < dynamic_memories; ++n, t /= memory_ratio) {
      const double beta = std::exp(-step_ / t);
      memory(d_in_, beta, a_.columns[3 + n]);
      memory(d_ext_, beta, a_.columns[3 + dynamic_memories + n]);
    }
    return solve_least_squares(a_, b_);
  }

  const Columns& columns() const { return a_; }

 private:
  // Σ_{j=i−p..i−1} d_j·(1−β)·β^(i−j) for rows i = p+1 … n−1, each from the last.
  void memory(const std::vector<double>& d, double beta, std::vector<double>& out) const {
    const double w = 1 - beta;
    const double far = w * std::pow(beta, static_cast<double>(p_));
    double s = 0;
    const std::size_t first = p_ + 1;
    for (std::size_t j = first - p_; j < first; ++j) s += d[j] * w * std::pow(beta, static_cast<double>(first - j));
    out[0] = s;
    for (std::size_t i = first + 1; i < n_; ++i) {
      // Drop the oldest row, age the rest by one step, take in the newest.
      s = beta * (s - far * d[i - 1 - p_]) + w * beta * d[i - 1];
      out[i - first] = s;
    }
  }

  double step_;
  std::size_t p_, n_;
  std::vector<double> d_in_, d_ext_;
  Columns a_;
  std::vector<double> b_;
};

}  // namespace

std::optional<double> constant_step(const std::vector<double>& seconds) {
  if (seconds.size() < 2) return std::nullopt;
  std::vector<double> steps(seconds.size() - 1);
  for (std::size_t i = 1; i < seconds.size(); ++i) steps[i - 1] = seconds[i] - seconds[i - 1];
  std::vector<double> sorted = steps;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
  const double median = sorted[sorted.size() / 2];
  if (!(median > 0)) return std::nullopt;
  for (const double s : steps)
    if (std::fabs(s - median) > 0.01 * median) return std::nullopt;
  return median;
}

DynamicOutcome dynamic_method(const DynamicInput& in, double surface_resistances) {
  const std::size_t n = in.seconds.size();
  const auto step = constant_step(in.seconds);
  if (!step) return {std::nullopt, "шаг записей непостоянен"};
  const std::size_t p = std::min(n / 3, static_cast<std::size_t>(std::floor(memory_span / *step)));
  const double tau_low = std::max(*step, std::pow(memory_ratio, dynamic_memories - 1) * *step / 2);
  const double tau_high = static_cast<double>(p) * *step;
  // Enough equations for the unknowns and two degrees of freedom, and room for τ.
  if (n < p + 1 + unknowns + 2 || !(tau_high > tau_low)) return {std::nullopt, "слишком мало записей"};

  Model model(in, *step, p);
  const std::size_t m = model.equations();
  // S² over a geometric grid of τ, then a golden-section search in log τ between the
  // neighbours of the best grid value.
  const double log_low = std::log(tau_low);
  const double log_step = (std::log(tau_high) - log_low) / (tau_grid - 1);
  auto s2 = [&](double log_tau) { return model.fit(std::exp(log_tau)).residual; };
  int best = 0;
  double best_s2 = 0;
  for (int k = 0; k < tau_grid; ++k) {
    const double v = s2(log_low + k * log_step);
    if (k == 0 || v < best_s2) best = k, best_s2 = v;
  }
  double lo = log_low + std::max(best - 1, 0) * log_step;
  double hi = log_low + std::min(best + 1, tau_grid - 1) * log_step;
  constexpr double golden = 0.6180339887498949;
  double x1 = hi - golden * (hi - lo);
  double x2 = lo + golden * (hi - lo);
  double f1 = s2(x1);
  double f2 = s2(x2);
  while (hi - lo > 1e-6) {  // τ to about 1e-6 of itself
    if (f1 <= f2) {
      hi = x2, x2 = x1, f2 = f1;
      x1 = hi - golden * (hi - lo);
      f1 = s2(x1);
    } else {
      lo = x1, x1 = x2, f1 = f2;
      x2 = lo + golden * (hi - lo);
      f2 = s2(x2);
    }
  }
  // The grid's best stays when the refinement found nothing lower.
  double log_tau = (lo + hi) / 2;
  if (s2(log_tau) > best_s2) log_tau = log_low + best * log_step;

  const LeastSquares fit = model.fit(std::exp(log_tau));
  const double L = fit.x[0];
  if (!fit.used[0] || !(L > 0)) return {std::nullopt, "модель не определила R"};

  DynamicResult r;
  r.L = L;
  r.R = 1 / L;
  r.U = 1 / (surface_resistances + r.R);
  r.tau_h = std::exp(log_tau) / 3600;
  r.M = m;
  r.p = p;
  r.step = *step;
  r.S2 = fit.residual;
  r.coefficients = fit.x;
  const double dof = static_cast<double>(m) - 2 * dynamic_memories - 2;
  const double interval = std::sqrt(fit.residual * fit.inverse[0] / (dof + 1)) * student_t_quantile(0.95, dof);
  r.I_rel = interval / L;
  r.q_model.assign(m, 0);
  const Columns& a = model.columns();
  for (std::size_t j = 0; j < unknowns; ++j)
    for (std::size_t k = 0; k < m; ++k) r.q_model[k] += a.columns[j][k] * fit.x[j];
  // The residuals of a wall are autocorrelated: the interval that allows for it looks a day back.
  std::vector<double> residuals(m);
  for (std::size_t k = 0; k < m; ++k) residuals[k] = in.q[p + 1 + k] - r.q_model[k];
  const int lags = static_cast<int>(std::lround(hac_window / *step));
  const double hac = newey_west_error(a, fit, residuals, 0, lags) * student_t_quantile(0.95, dof);
  if (std::isfinite(hac)) r.I_rel_hac = hac / L;
  return {r, {}};
}

}  // namespace kalora::analysis
