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

// Central differences; a side that cannot be evaluated falls back to the other and
// marks the coordinate as lying on the edge of the domain on that side.
struct Slope {
  Eigen::VectorXd g;
  Eigen::ArrayXi edge;  // +1: no step up possible, −1: none down, 2: neither
};

Slope gradient(const std::function<double(const Eigen::VectorXd&)>& f, const Eigen::VectorXd& x, double fx) {
  constexpr double h = 1e-5;
  Slope s{Eigen::VectorXd(x.size()), Eigen::ArrayXi::Zero(x.size())};
  for (Eigen::Index i = 0; i < x.size(); ++i) {
    Eigen::VectorXd a = x, b = x;
    a(i) += h;
    b(i) -= h;
    const double fa = guarded(f, a), fb = guarded(f, b);
    if (std::isfinite(fa) && std::isfinite(fb)) {
      s.g(i) = (fa - fb) / (2 * h);
    } else if (std::isfinite(fa)) {
      s.g(i) = (fa - fx) / h;
      s.edge(i) = -1;
    } else if (std::isfinite(fb)) {
      s.g(i) = (fx - fb) / h;
      s.edge(i) = 1;
    } else {
      s.g(i) = 0;
      s.edge(i) = 2;
    }
  }
  return s;
}

// A direction with the parts that would leave the domain at once taken out, so that a
// search resting on a limit slides along it instead of stopping there.
Eigen::VectorXd inside(Eigen::VectorXd dir, const Eigen::ArrayXi& edge) {
  for (Eigen::Index i = 0; i < dir.size(); ++i)
    if (edge(i) == 2 || (edge(i) == 1 && dir(i) > 0) || (edge(i) == -1 && dir(i) < 0)) dir(i) = 0;
  return dir;
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
  Slope slope = gradient(f, m.x, m.value);
  for (m.iterations = 0; m.iterations < max_iterations; ++m.iterations) {
    const Eigen::VectorXd& g = slope.g;
    const Eigen::VectorXd downhill = inside(-g, slope.edge);
    if (downhill.cwiseAbs().maxCoeff() < tolerance) {
      m.converged = true;
      break;
    }
    Eigen::VectorXd dir = inside(-H * g, slope.edge);
    if (g.dot(dir) >= 0) {  // not a descent direction: start the curvature afresh
      H.setIdentity();
      dir = downhill;
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
    Slope next_slope = gradient(f, next, value);
    const Eigen::VectorXd s = next - m.x;
    const Eigen::VectorXd y = next_slope.g - g;
    const double sy = s.dot(y);
    const double change = m.value - value;
    m.x = next;
    m.value = value;
    slope = std::move(next_slope);
    if (sy > 1e-12) {
      const double r = 1 / sy;
      const Eigen::MatrixXd I = Eigen::MatrixXd::Identity(n, n);
      H = (I - r * s * y.transpose()) * H * (I - r * y * s.transpose()) + r * s * s.transpose();
      m.inverse_hessian = H;
    }
    if (change < 1e-7 * (1 + std::fabs(value)) && s.cwiseAbs().maxCoeff() < 1e-4) {
      m.converged = true;
      break;
    }
  }
  return m;
}

}  // namespace kalora::analysis
