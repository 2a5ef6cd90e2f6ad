// Linear least squares by a Householder QR with column pivoting on column-scaled
// equations: columns that add nothing (zero or dependent on others) are left out
// instead of making the solution blow up.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace kalora::analysis {

// An M×n matrix stored column by column.
struct Columns {
  std::size_t rows = 0;
  std::vector<std::vector<double>> columns;
};

struct LeastSquares {
  std::vector<double> x;        // the solution; 0 for columns left out
  std::vector<bool> used;       // which columns the solution rests on
  std::size_t rank = 0;
  double residual = 0;          // Σ (b − A·x)²
  std::vector<double> inverse;  // diagonal of (AᵀA)⁻¹ over the used columns; 0 for the others
};

// Columns whose pivot falls below `tolerance` times the largest one (after scaling
// every column to unit length) count as dependent and are left out.
LeastSquares solve_least_squares(const Columns& a, const std::vector<double>& b, double tolerance = 1e-10);

}  // namespace kalora::analysis
