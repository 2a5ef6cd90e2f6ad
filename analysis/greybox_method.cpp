#include "analysis/greybox_method.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/bfgs.h"
#include "analysis/dynamic_method.h"
#include "analysis/student_t.h"

namespace kalora::analysis {

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double lr_level = 0.95;  // a capacity more is kept when its LR test passes at 5 %
constexpr double interval_level = 0.90;
constexpr double min_hours = 12;    // shorter series say nothing about a wall
constexpr double white_hours = 24;  // lags of the whiteness test
constexpr int fit_iterations = 150;
constexpr int profile_iterations = 30;
const double log_r_min = std::log(0.01), log_r_max = std::log(50.0);  // m²·K/W
const double log_noise_max = std::log(3e-4);                          // K/√s of a state per W/m² of the flux's noise

// Parameters on a log scale: log ΣR, the resistances' shares as logits against R1's,
// log C per capacity and log of the noise ratio. Outside broad physical limits the
// likelihood is not evaluated.
struct Layout {
  int n;  // capacities
  Eigen::Index size() const { return 2 * n + 2; }
};

std::optional<GreyboxParameters> to_parameters(const Layout& l, const Eigen::VectorXd& theta) {
  const double log_r = theta(0);
  if (!(log_r > log_r_min && log_r < log_r_max)) return std::nullopt;
  GreyboxParameters p;
  double sum = 1;
  std::vector<double> share{1};
  for (int k = 0; k < l.n; ++k) {
    const double z = theta(1 + k);
    if (!(std::fabs(z) < 12)) return std::nullopt;
    share.push_back(std::exp(z));
    sum += share.back();
  }
  for (const double s : share) p.R.push_back(std::exp(log_r) * s / sum);
  for (int k = 0; k < l.n; ++k) {
    const double log_c = theta(1 + l.n + k);
    if (!(log_c > std::log(50.0) && log_c < std::log(2e7))) return std::nullopt;
    p.C.push_back(std::exp(log_c));
  }
  // The process noise stays small: a wall's temperatures do not wander by themselves.
  // Left free, the search takes the rounding of the records for wandering states, and
  // states that follow the flux step by step leave R to chance.
  const double log_noise = theta(1 + 2 * l.n);
  if (!(log_noise > -30 && log_noise < log_noise_max)) return std::nullopt;
  p.noise_ratio = std::exp(log_noise);
  return p;
}

Eigen::VectorXd to_theta(const GreyboxParameters& p) {
  const Layout l{p.capacities()};
  Eigen::VectorXd t(l.size());
  t(0) = std::log(p.resistance());
  for (int k = 0; k < l.n; ++k) t(1 + k) = std::log(p.R[static_cast<std::size_t>(k) + 1] / p.R[0]);
  for (int k = 0; k < l.n; ++k) t(1 + l.n + k) = std::log(p.C[static_cast<std::size_t>(k)]);
  t(1 + 2 * l.n) = std::log(p.noise_ratio);
  return t;
}

class Fitter {
 public:
  explicit Fitter(const GreyboxData& data) : data_(data) {}

  double negative_loglik(const Layout& l, const Eigen::VectorXd& theta) const {
    const auto p = to_parameters(l, theta);
    if (!p) return infinity;
    const auto like = greybox_likelihood(*p, data_);
    return like ? -like->loglik : infinity;
  }

  Minimum fit(const Layout& l, const Eigen::VectorXd& start, int iterations = fit_iterations) const {
    return minimise_bfgs([&](const Eigen::VectorXd& t) { return negative_loglik(l, t); }, start, iterations);
  }

  // The best of a few starts, then the search from it.
  Minimum fit_from(const Layout& l, const std::vector<Eigen::VectorXd>& starts) const {
    const Eigen::VectorXd* best = nullptr;
    double best_value = infinity;
    for (const Eigen::VectorXd& s : starts) {
      const double v = negative_loglik(l, s);
      if (v < best_value) best = &s, best_value = v;
    }
    if (!best) return {};
    return fit(l, *best);
  }

  // The highest likelihood with log ΣR held at `log_r`, from `rest` (the other parameters).
  Minimum profile(const Layout& l, double log_r, const Eigen::VectorXd& rest, const Eigen::MatrixXd& curvature) const {
    auto f = [&](const Eigen::VectorXd& r) {
      Eigen::VectorXd t(l.size());
      t(0) = log_r;
      t.tail(l.size() - 1) = r;
      return negative_loglik(l, t);
    };
    return minimise_bfgs(f, rest, profile_iterations, 1e-5, curvature);
  }

 private:
  const GreyboxData& data_;
};

// Fresh starts for n capacities: R shared equally, the total capacity (time constants
// from an hour to a few days, or the layers' own) spread evenly or held mostly at the
// inner or the outer side, the process noise small.
std::vector<Eigen::VectorXd> fresh_starts(int n, double R, std::optional<double> capacity) {
  std::vector<double> caps{1e4, 5e4, 2e5, 1e6};
  if (capacity && *capacity > 100) caps.push_back(*capacity);
  std::vector<Eigen::VectorXd> starts;
  for (const double c : caps)
    for (int heavy = -1; heavy < (n > 1 ? 2 : 0); ++heavy)  // even, inner, outer
      for (const double noise : {1e-6, 1e-5, 1e-4}) {
        GreyboxParameters p;
        p.R.assign(static_cast<std::size_t>(n) + 1, R / (n + 1));
        for (int k = 0; k < n; ++k) {
          const bool big = heavy < 0 || (heavy == 0 ? k == 0 : k == n - 1);
          p.C.push_back(big ? c / n : c / (20.0 * n));
        }
        p.noise_ratio = noise;
        starts.push_back(to_theta(p));
      }
  return starts;
}

// Starts for one capacity more: every resistance of the smaller model split in two
// around a new capacity of a tenth or as much as its neighbours.
std::vector<Eigen::VectorXd> next_starts(const GreyboxParameters& p) {
  std::vector<Eigen::VectorXd> starts;
  double c_mean = 0;
  for (const double c : p.C) c_mean += c / static_cast<double>(p.C.size());
  for (std::size_t k = 0; k < p.R.size(); ++k)
    for (const double part : {1e-3, 0.1, 1.0})
      for (const double noise : {p.noise_ratio, 1e-6, 1e-5}) {
        GreyboxParameters n = p;
        n.R[k] = p.R[k] / 2;
        n.R.insert(n.R.begin() + static_cast<std::ptrdiff_t>(k), p.R[k] / 2);
        n.C.insert(n.C.begin() + static_cast<std::ptrdiff_t>(k), c_mean * part);
        n.noise_ratio = noise;
        starts.push_back(to_theta(n));
      }
  return starts;
}

// Where the profile log-likelihood falls `drop` below its top, on one side (sign ±1) of
// log R: a few steps of a quadratic model of the fall, each from the last point's rest.
std::optional<double> profile_bound(const Fitter& fitter, const Layout& l, const Minimum& top, double drop, int sign) {
  Eigen::VectorXd rest = top.x.tail(l.size() - 1);
  // The curvature of the rest given log R: the full inverse Hessian's block, less what
  // log R explains.
  const Eigen::MatrixXd& h = top.inverse_hessian;
  const auto k = l.size() - 1;
  Eigen::MatrixXd curvature;
  if (h.rows() == l.size() && h(0, 0) > 0)
    curvature = h.bottomRightCorner(k, k) - h.bottomLeftCorner(k, 1) * h.topRightCorner(1, k) / h(0, 0);
  // The first step from the curvature of log R itself.
  double delta = h.rows() == l.size() && h(0, 0) > 0 ? std::clamp(std::sqrt(2 * drop * h(0, 0)), 1e-4, 0.5) : 0.01;
  double best_delta = 0;
  for (int i = 0; i < 8; ++i) {
    const double log_r = top.x(0) + sign * delta;
    // A bound beyond the walls there are is no bound: the data leave R open.
    if (!(log_r > log_r_min && log_r < log_r_max)) return std::nullopt;
    const Minimum m = fitter.profile(l, log_r, rest, curvature);
    if (!std::isfinite(m.value)) {
      delta = (delta + best_delta) / 2;
      continue;
    }
    const double fall = std::max(m.value - top.value, 1e-9);
    rest = m.x;
    if (m.inverse_hessian.rows() == k) curvature = m.inverse_hessian;
    if (std::fabs(fall - drop) < 0.1 * drop) return delta;
    best_delta = delta;
    const double next = delta * std::sqrt(drop / fall);
    delta = std::clamp(next, delta / 4, delta * 4);
    if (delta > 3) return std::nullopt;  // no bound within a factor of 20
  }
  return delta;
}

// How much less the one-step errors tell than as many independent ones would: their
// long-run variance over their variance (Bartlett weights over `lags`), at least 1. The
// likelihood counts every error as news; where they are correlated, the profile must
// fall that much further before R is ruled out.
double information_overstated(const std::vector<double>& e, int lags) {
  const auto n = static_cast<double>(e.size());
  double mean = 0;
  for (const double v : e) mean += v / n;
  double c0 = 0;
  for (const double v : e) c0 += (v - mean) * (v - mean);
  if (!(c0 > 0)) return 1;
  double ratio = 1;
  for (int k = 1; k <= lags && static_cast<std::size_t>(k) < e.size(); ++k) {
    double ck = 0;
    for (std::size_t i = static_cast<std::size_t>(k); i < e.size(); ++i) ck += (e[i] - mean) * (e[i - k] - mean);
    ratio += 2 * (1 - k / (lags + 1.0)) * ck / c0;
  }
  return std::max(1.0, ratio);
}

}  // namespace

double ljung_box_p(const std::vector<double>& x, int lags) {
  const auto n = static_cast<double>(x.size());
  if (lags < 1 || x.size() < static_cast<std::size_t>(2 * lags)) return 1;
  double mean = 0;
  for (const double v : x) mean += v / n;
  double c0 = 0;
  for (const double v : x) c0 += (v - mean) * (v - mean);
  if (!(c0 > 0)) return 1;
  double q = 0;
  for (int k = 1; k <= lags; ++k) {
    double ck = 0;
    for (std::size_t i = static_cast<std::size_t>(k); i < x.size(); ++i) ck += (x[i] - mean) * (x[i - k] - mean);
    const double rho = ck / c0;
    q += rho * rho / (n - k);
  }
  return chi_squared_upper_tail(n * (n + 2) * q, lags);
}

GreyboxOutcome greybox_method(const GreyboxInput& in) {
  const auto step = constant_step(in.seconds);
  if (!step) return {std::nullopt, "шаг записей непостоянен"};
  const double hours = (in.seconds.back() - in.seconds.front()) / 3600;
  if (hours < min_hours) return {std::nullopt, "слишком мало записей"};
  double sum_dt = 0, sum_q = 0;
  for (std::size_t i = 0; i < in.q.size(); ++i) sum_dt += in.t_in[i] - in.t_ext[i], sum_q += in.q[i];
  if (!(sum_q > 0) || !(sum_dt > 0)) return {std::nullopt, "тепловой поток или перепад температур не положительны"};
  const double R_start = in.design_R && *in.design_R > 0 ? *in.design_R : sum_dt / sum_q;

  const GreyboxData data{*step, in.q, in.t_in, in.t_ext};
  const Fitter fitter(data);
  // Forward selection: one capacity more while the likelihood-ratio test asks for it.
  // Each order is searched from fresh starts and from the smaller model grown by a
  // capacity, whichever fits better.
  Layout layout{1};
  Minimum best = fitter.fit_from(layout, fresh_starts(1, R_start, in.capacity));
  if (!std::isfinite(best.value)) return {std::nullopt, "модель не удалось подогнать"};
  const double threshold = chi_squared_quantile(lr_level, 2) / 2;
  for (int n = 2; n <= std::min(in.max_capacities, greybox_max_capacities); ++n) {
    const Layout bigger{n};
    std::vector<Eigen::VectorXd> starts = next_starts(*to_parameters(layout, best.x));
    for (Eigen::VectorXd& s : fresh_starts(n, R_start, in.capacity)) starts.push_back(std::move(s));
    const Minimum m = fitter.fit_from(bigger, starts);
    if (!(best.value - m.value > threshold)) break;
    layout = bigger;
    best = m;
  }

  GreyboxResult r;
  r.parameters = *to_parameters(layout, best.x);
  r.capacities = layout.n;
  r.R = r.parameters.resistance();
  r.U = 1 / (in.surface_resistances + r.R);
  r.tau_h = r.parameters.time_constants_h();
  const auto like = greybox_likelihood(r.parameters, data, true);
  if (!like) return {std::nullopt, "модель не удалось подогнать"};
  r.loglik = like->loglik;
  r.sigma = like->sigma;
  const int lags = std::max(1, static_cast<int>(std::lround(white_hours * 3600 / *step)));
  r.white_p = ljung_box_p(like->residuals, lags);

  const double drop = chi_squared_quantile(interval_level, 1) / 2 * information_overstated(like->residuals, lags);
  const auto below = profile_bound(fitter, layout, best, drop, -1);
  const auto above = profile_bound(fitter, layout, best, drop, +1);
  if (!below || !above) return {std::nullopt, "интервал R не ограничен: данные не определяют R"};
  r.R_lo = r.R * std::exp(-*below);
  r.R_hi = r.R * std::exp(*above);
  for (const double v : {r.R, r.U, r.R_lo, r.R_hi, r.white_p, r.loglik})
    if (!std::isfinite(v)) return {std::nullopt, "модель не удалось подогнать"};
  return {r, {}};
}

}  // namespace kalora::analysis
