#include "analysis/bfgs.h"

#include <cmath>
#include <limits>

namespace kalora::analysis {

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();

double guarded(const std::function<double(const Eigen::VectorXd&)>& f, const Eigen::VectorXd& x) {
  const double v = f(x);
  return std::isfinite(v) ? v : infinity;
}

// Central differences; a side that cannot be evaluated falls back to the other.
Eigen::VectorXd gradient(const std::function<double(const Eigen::VectorXd&)>& f, const Eigen::VectorXd& x, double fx) {
  constexpr double h = 1e-5;
  Eigen::VectorXd g(x.size());
  for (Eigen::Index i = 0; i < x.size(); ++i) {
    Eigen::VectorXd a = x, b = x;
    a(i) += h;
    b(i) -= h;
    const double fa = guarded(f, a), fb = guarded(f, b);
    if (std::isfinite(fa) && std::isfinite(fb))
      g(i) = (fa - fb) / (2 * h);
    else if (std::isfinite(fa))
      g(i) = (fa - fx) / h;
    else if (std::isfinite(fb))
      g(i) = (fx - fb) / h;
    else
      g(i) = 0;
  }
  return g;
}

}  // namespace

Minimum minimise_bfgs(const std::function<double(const Eigen::VectorXd&)>& f, Eigen::VectorXd start, int max_iterations,
                      double tolerance, const Eigen::MatrixXd& curvature) {
  Minimum m;
  m.x = std::move(start);
  m.value = guarded(f, m.x);
  if (!std::isfinite(m.value)) return m;
  const auto n = m.x.size();
  Eigen::MatrixXd H = curvature.rows() == n ? curvature : Eigen::MatrixXd::Identity(n, n);  // inverse Hessian
  m.inverse_hessian = H;
  Eigen::VectorXd g = gradient(f, m.x, m.value);
  for (m.iterations = 0; m.iterations < max_iterations; ++m.iterations) {
    if (g.cwiseAbs().maxCoeff() < tolerance) {
      m.converged = true;
      break;
    }
    Eigen::VectorXd dir = -H * g;
    if (g.dot(dir) >= 0) {  // not a descent direction: start the curvature afresh
      H.setIdentity();
      dir = -g;
    }
    // Steps in log-parameters beyond a factor of e at once are never wanted.
    const double longest = dir.cwiseAbs().maxCoeff();
    if (longest > 1) dir /= longest;
    double t = 1;
    double value = infinity;
    Eigen::VectorXd next;
    for (int k = 0; k < 40; ++k, t /= 2) {
      next = m.x + t * dir;
      value = guarded(f, next);
      if (value <= m.value + 1e-4 * t * g.dot(dir)) break;
    }
    if (!(value < m.value)) {  // no progress along this direction
      if (H.isIdentity()) {
        m.converged = true;
        break;
      }
      H.setIdentity();
      continue;
    }
    const Eigen::VectorXd g_next = gradient(f, next, value);
    const Eigen::VectorXd s = next - m.x;
    const Eigen::VectorXd y = g_next - g;
    const double sy = s.dot(y);
    const double change = m.value - value;
    m.x = next;
    m.value = value;
    g = g_next;
    if (sy > 1e-12) {
      const double r = 1 / sy;
      const Eigen::MatrixXd I = Eigen::MatrixXd::Identity(n, n);
      H = (I - r * s * y.transpose()) * H * (I - r * y * s.transpose()) + r * s * s.transpose();
      m.inverse_hessian = H;
    }
    if (change < 1e-10 * (1 + std::fabs(value)) && s.cwiseAbs().maxCoeff() < 1e-6) {
      m.converged = true;
      break;
    }
  }
  return m;
}

}  // namespace kalora::analysis
