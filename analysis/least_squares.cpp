#include "analysis/least_squares.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kalora::analysis {

namespace {

double dot(const std::vector<double>& u, const std::vector<double>& v, std::size_t from) {
  double s = 0;
  for (std::size_t i = from; i < u.size(); ++i) s += u[i] * v[i];
  return s;
}

// Applies the reflection I − 2vvᵀ/(vᵀv) (v zero above `from`) to y.
void reflect(const std::vector<double>& v, double vv, std::vector<double>& y, std::size_t from) {
  const double f = 2 * dot(v, y, from) / vv;
  for (std::size_t i = from; i < y.size(); ++i) y[i] -= f * v[i];
}

}  // namespace

LeastSquares solve_least_squares(const Columns& a, const std::vector<double>& b, double tolerance) {
  const std::size_t m = a.rows;
  const std::size_t n = a.columns.size();
  LeastSquares out;
  out.x.assign(n, 0);
  out.used.assign(n, false);
  out.inverse.assign(n, 0);

  // Unit columns; a zero column keeps scale 1 and is never chosen.
  std::vector<std::vector<double>> w = a.columns;
  std::vector<double> scale(n, 1);
  for (std::size_t j = 0; j < n; ++j) {
    const double norm = std::sqrt(dot(w[j], w[j], 0));
    if (norm > 0 && std::isfinite(norm)) {
      scale[j] = norm;
      for (double& v : w[j]) v /= norm;
    }
  }
  std::vector<double> y = b;
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);

  const std::size_t steps = std::min(m, n);
  double first_pivot = 0;
  std::size_t rank = 0;
  std::vector<double> v(m);
  for (std::size_t k = 0; k < steps; ++k) {
    // The column with the largest part left below row k goes next.
    std::size_t best = k;
    double best_norm = -1;
    for (std::size_t j = k; j < n; ++j) {
      const double s = dot(w[order[j]], w[order[j]], k);
      if (s > best_norm) best_norm = s, best = j;
    }
    std::swap(order[k], order[best]);
    const double norm = std::sqrt(std::max(best_norm, 0.0));
    if (k == 0) first_pivot = norm;
    if (!(norm > tolerance * first_pivot) || !(norm > 0)) break;
    std::vector<double>& col = w[order[k]];
    const double alpha = col[k] > 0 ? -norm : norm;
    std::fill(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), 0.0);
    for (std::size_t i = k; i < m; ++i) v[i] = col[i];
    v[k] -= alpha;
    const double vv = dot(v, v, k);
    for (std::size_t j = k + 1; j < n; ++j) reflect(v, vv, w[order[j]], k);
    reflect(v, vv, y, k);
    col[k] = alpha;
    for (std::size_t i = k + 1; i < m; ++i) col[i] = 0;
    rank = k + 1;
  }
  out.rank = rank;
  if (rank == 0) {
    out.residual = dot(b, b, 0);
    return out;
  }

  // R z = (Qᵀb) over the first `rank` pivots, by back substitution.
  std::vector<double> z(rank);
  for (std::size_t k = rank; k-- > 0;) {
    double s = y[k];
    for (std::size_t j = k + 1; j < rank; ++j) s -= w[order[j]][k] * z[j];
    z[k] = s / w[order[k]][k];
  }
  // R⁻¹ row by row: the diagonal of (RᵀR)⁻¹ = R⁻¹R⁻ᵀ is the squared norm of its rows.
  std::vector<std::vector<double>> inv(rank, std::vector<double>(rank, 0));
  for (std::size_t c = 0; c < rank; ++c) {
    inv[c][c] = 1 / w[order[c]][c];
    for (std::size_t r = c; r-- > 0;) {
      double s = 0;
      for (std::size_t j = r + 1; j <= c; ++j) s += w[order[j]][r] * inv[j][c];
      inv[r][c] = -s / w[order[r]][r];
    }
  }
  for (std::size_t k = 0; k < rank; ++k) {
    const std::size_t j = order[k];
    out.used[j] = true;
    out.x[j] = z[k] / scale[j];
    double s = 0;
    for (std::size_t c = k; c < rank; ++c) s += inv[k][c] * inv[k][c];
    out.inverse[j] = s / (scale[j] * scale[j]);
  }
  double residual = 0;
  for (std::size_t i = 0; i < m; ++i) {
    double fit = 0;
    for (std::size_t j = 0; j < n; ++j)
      if (out.used[j]) fit += a.columns[j][i] * out.x[j];
    residual += (b[i] - fit) * (b[i] - fit);
  }
  out.residual = residual;
  return out;
}

}  // namespace kalora::analysis
