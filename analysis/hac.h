// Standard errors of a least-squares coefficient that stay true when the residuals
// are autocorrelated (Newey–West, Bartlett weights), as a wall's residuals are.
#pragma once

#include <vector>

#include "analysis/least_squares.h"

namespace kalora::analysis {

// The standard error of coefficient `column` of `fit` (solved from `a`), with
// autocovariances up to `lags` rows. NaN when the fit does not rest on that column.
double newey_west_error(const Columns& a, const LeastSquares& fit, const std::vector<double>& residuals,
                        std::size_t column, int lags);

}  // namespace kalora::analysis
