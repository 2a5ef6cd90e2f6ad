#include "analysis/hac.h"

#include <Eigen/Dense>
#include <cmath>
#include <limits>

namespace kalora::analysis {

double newey_west_error(const Columns& a, const LeastSquares& fit, const std::vector<double>& residuals,
                        std::size_t column, int lags) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  if (column >= fit.used.size() || !fit.used[column]) return nan;
  const auto m = static_cast<Eigen::Index>(a.rows);
  // The used columns, scaled to unit length so that XᵀX is well conditioned.
  std::vector<std::size_t> used;
  for (std::size_t j = 0; j < fit.used.size(); ++j)
    if (fit.used[j]) used.push_back(j);
  const auto k = static_cast<Eigen::Index>(used.size());
  if (m <= k) return nan;
  Eigen::MatrixXd X(m, k);
  Eigen::VectorXd scale(k);
  Eigen::Index target = 0;
  for (Eigen::Index j = 0; j < k; ++j) {
    X.col(j) = Eigen::Map<const Eigen::VectorXd>(a.columns[used[static_cast<std::size_t>(j)]].data(), m);
    scale(j) = X.col(j).norm();
    if (scale(j) > 0) X.col(j) /= scale(j);
    if (used[static_cast<std::size_t>(j)] == column) target = j;
  }
  const Eigen::MatrixXd xtx = X.transpose() * X;
  const Eigen::LDLT<Eigen::MatrixXd> ldlt(xtx);
  if (ldlt.info() != Eigen::Success) return nan;
  const Eigen::VectorXd row = ldlt.solve(Eigen::VectorXd::Unit(k, target));
  // h_t = (row of (XᵀX)⁻¹)·x_t·e_t; the variance is the long-run variance of h.
  const Eigen::VectorXd h = (X * row).cwiseProduct(Eigen::Map<const Eigen::VectorXd>(residuals.data(), m));
  double var = h.squaredNorm();
  for (int l = 1; l <= lags && l < m; ++l) {
    const double w = 1 - static_cast<double>(l) / (lags + 1);
    var += 2 * w * h.tail(m - l).dot(h.head(m - l));
  }
  var *= static_cast<double>(m) / static_cast<double>(m - k);  // degrees of freedom
  if (!(var > 0)) return nan;
  return std::sqrt(var) / scale(target);
}

}  // namespace kalora::analysis
