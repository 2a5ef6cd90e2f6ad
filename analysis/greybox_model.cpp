#include "analysis/greybox_model.h"

#include <algorithm>
#include <cmath>
#include <unsupported/Eigen/MatrixFunctions>

namespace kalora::analysis {

namespace {

constexpr double two_pi = 6.283185307179586;
constexpr double flux_rounding_variance = 0.1 * 0.1 / 12;

// The continuous system dx/dt = A·x + B·u, y = c·x + d·u with u = (t_in, t_ext).
struct Continuous {
  Eigen::MatrixXd A, B;
  StateVector c;
  Eigen::Vector2d d;
};

Continuous continuous(const GreyboxParameters& p) {
  const int n = p.capacities();
  Continuous s;
  s.A = Eigen::MatrixXd::Zero(n, n);
  s.B = Eigen::MatrixXd::Zero(n, 2);
  for (int k = 0; k < n; ++k) {
    const double in = 1 / p.R[static_cast<std::size_t>(k)];
    const double out = 1 / p.R[static_cast<std::size_t>(k) + 1];
    const double c = p.C[static_cast<std::size_t>(k)];
    s.A(k, k) = -(in + out) / c;
    if (k > 0)
      s.A(k, k - 1) = in / c;
    else
      s.B(k, 0) = in / c;
    if (k + 1 < n)
      s.A(k, k + 1) = out / c;
    else
      s.B(k, 1) = out / c;
  }
  s.c = StateVector::Zero(n);
  s.c(0) = -1 / p.R[0];
  s.d = {1 / p.R[0], 0};
  return s;
}

// The exact step with inputs linear between the records (the temperatures are samples
// of smooth curves, so a ramp follows them better than a held value):
// x' = Φ·x + G0·u_k + G1·u_(k+1), and the process noise gathered over the step.
struct Discrete {
  StateMatrix Phi, Q;
  Eigen::Matrix<double, Eigen::Dynamic, 2, 0, greybox_max_capacities, 2> G0, G1;
};

Discrete discretise(const Continuous& s, double h, double noise) {
  const auto n = s.A.rows();
  Eigen::MatrixXd m = Eigen::MatrixXd::Zero(n + 4, n + 4);
  m.topLeftCorner(n, n) = s.A * h;
  m.block(0, n, n, 2) = s.B * h;
  m.block(n, n + 2, 2, 2) = Eigen::Matrix2d::Identity();
  const Eigen::MatrixXd e = m.exp();
  Discrete d;
  d.Phi = e.topLeftCorner(n, n);
  const Eigen::MatrixXd g1 = e.block(0, n, n, 2);
  const Eigen::MatrixXd g2 = e.block(0, n + 2, n, 2);
  d.G0 = g1 - g2;
  d.G1 = g2;
  // Van Loan: the noise a white input of intensity noise² per state adds over a step.
  Eigen::MatrixXd v = Eigen::MatrixXd::Zero(2 * n, 2 * n);
  v.topLeftCorner(n, n) = -s.A * h;
  v.topRightCorner(n, n) = Eigen::MatrixXd::Identity(n, n) * noise * noise * h;
  v.bottomRightCorner(n, n) = s.A.transpose() * h;
  const Eigen::MatrixXd ve = v.exp();
  const Eigen::MatrixXd q = ve.bottomRightCorner(n, n).transpose() * ve.topRightCorner(n, n);
  d.Q = (q + q.transpose()) / 2;
  return d;
}

bool finite(const Eigen::MatrixXd& m) { return m.allFinite(); }

}  // namespace

double GreyboxParameters::resistance() const {
  double r = 0;
  for (const double v : R) r += v;
  return r;
}

std::vector<double> GreyboxParameters::time_constants_h() const {
  const Continuous s = continuous(*this);
  // A is similar to a symmetric matrix (a chain of conductances), so its eigenvalues are real.
  const Eigen::EigenSolver<Eigen::MatrixXd> eigen(s.A, false);
  std::vector<double> tau;
  for (int k = 0; k < s.A.rows(); ++k) tau.push_back(-1 / eigen.eigenvalues()(k).real() / 3600);
  std::sort(tau.rbegin(), tau.rend());
  return tau;
}

namespace {

// The filter for N states, in fixed-size matrices the compiler unrolls.
template <int N>
std::optional<GreyboxLikelihood> run_filter(const Continuous& s, const Discrete& m, const GreyboxData& d,
                                            bool keep_residuals) {
  using Vec = Eigen::Matrix<double, N, 1>;
  using Mat = Eigen::Matrix<double, N, N>;
  using Inp = Eigen::Matrix<double, N, 2>;
  const std::size_t rows = d.q.size();
  const Mat Phi = m.Phi;
  const Mat Q = m.Q;
  const Inp G0 = m.G0, G1 = m.G1;
  const Vec c = s.c;
  const Eigen::Vector2d dd = s.d;
  // The filter runs from a zero initial state known exactly; the innovations are then
  // affine in the true initial state x0: v = v0 − h·x0, with h carried through the
  // filter as X. Measurement noise is 1 here; its scale comes last.
  Vec x = Vec::Zero();
  Mat P = Mat::Zero();
  Mat X = Mat::Identity();
  Mat Sxx = Mat::Zero();
  Vec Sxv = Vec::Zero();
  double Svv = 0;
  double log_f = 0;
  bool steady = false;
  bool forgotten = false;
  Vec K = Vec::Zero();
  double F = 1;
  std::vector<double> v0, f_kept;
  std::vector<Vec> h_kept;
  if (keep_residuals) v0.reserve(rows), f_kept.reserve(rows), h_kept.reserve(rows);
  for (std::size_t k = 0; k < rows; ++k) {
    const Eigen::Vector2d u(d.t_in[k], d.t_ext[k]);
    const double v = d.q[k] - c.dot(x) - dd.dot(u);
    if (!steady) {
      F = c.dot(P * c) + 1;
      K = P * c / F;
    }
    Vec h = Vec::Zero();
    if (!forgotten) {
      h = X.transpose() * c;
      Sxv += h * (v / F);
      Sxx += h * h.transpose() / F;
    }
    Svv += v * v / F;
    log_f += std::log(F);
    if (keep_residuals) v0.push_back(v), f_kept.push_back(F), h_kept.push_back(h);
    if (k + 1 == rows) break;
    const Eigen::Vector2d u1(d.t_in[k + 1], d.t_ext[k + 1]);
    x = Phi * (x + K * v) + G0 * u + G1 * u1;
    if (!forgotten) {
      X = Phi * (X - K * h.transpose());
      // The initial state no longer shows in the flux: its effect has died away.
      forgotten = X.cwiseAbs().maxCoeff() < 1e-13;
    }
    if (!steady) {
      const Mat next = Phi * (P - K * K.transpose() * F) * Phi.transpose() + Q;
      steady = k > 2 && (next - P).cwiseAbs().maxCoeff() <= 1e-12 * (1 + next.cwiseAbs().maxCoeff());
      P = (next + next.transpose()) / 2;
    }
  }
  // x0 by weighted least squares; a direction the data cannot see stays at zero.
  const Eigen::LDLT<Mat> ldlt(Sxx + 1e-12 * Mat::Identity());
  Vec x0 = Vec::Zero();
  if (ldlt.info() == Eigen::Success) x0 = ldlt.solve(Sxv);
  const double ssr = std::max(Svv - Sxv.dot(x0), 0.0);
  const double count = static_cast<double>(rows);
  // The flux is stored to 0.1 W/m², so its noise is never below that rounding's.
  const double sigma2 = std::max(ssr / count, flux_rounding_variance);
  GreyboxLikelihood out;
  out.loglik = -0.5 * count * std::log(two_pi * sigma2) - 0.5 * ssr / sigma2 - 0.5 * log_f;
  out.sigma = std::sqrt(sigma2);
  out.initial = x0;
  if (!std::isfinite(out.loglik) || !x0.allFinite()) return std::nullopt;
  if (keep_residuals) {
    out.residuals.resize(rows);
    for (std::size_t k = 0; k < rows; ++k)
      out.residuals[k] = (v0[k] - h_kept[k].dot(x0)) / std::sqrt(f_kept[k] * sigma2);
  }
  return out;
}

}  // namespace

std::optional<GreyboxLikelihood> greybox_likelihood(const GreyboxParameters& p, const GreyboxData& d,
                                                    bool keep_residuals) {
  const int n = p.capacities();
  if (n < 1 || n > greybox_max_capacities || p.R.size() != p.C.size() + 1 || d.q.size() < 2 || !(d.step > 0) ||
      d.t_in.size() != d.q.size() || d.t_ext.size() != d.q.size())
    return std::nullopt;
  const Continuous s = continuous(p);
  const Discrete m = discretise(s, d.step, p.noise_ratio);
  if (!finite(m.Phi) || !finite(m.Q) || !finite(m.G0) || !finite(m.G1)) return std::nullopt;
  switch (n) {
    case 1:
      return run_filter<1>(s, m, d, keep_residuals);
    case 2:
      return run_filter<2>(s, m, d, keep_residuals);
    default:
      return run_filter<3>(s, m, d, keep_residuals);
  }
}

}  // namespace kalora::analysis
