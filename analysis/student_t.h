// Student's t and χ² distributions, for the confidence intervals and tests of the
// analysis (Boost.Math underneath).
#pragma once

namespace kalora::analysis {

// P(T ≤ t) for T of Student's distribution with `dof` degrees of freedom (dof > 0,
// not necessarily whole). NaN for a dof that is not above 0 or a t that is NaN.
double student_t_cdf(double t, double dof);

// The t with P(T ≤ t) = p: 0.95 gives the bound of a one-sided 95 % or a two-sided
// 90 % interval, 0.975 a two-sided 95 % one.
// NaN unless 0 < p < 1 and dof > 0.
double student_t_quantile(double p, double dof);

// P(X > x) for X of the χ² distribution with `dof` degrees of freedom; NaN for a dof
// not above 0 or a NaN x.
double chi_squared_upper_tail(double x, double dof);

// The x with P(X ≤ x) = p; NaN unless 0 < p < 1 and dof > 0.
double chi_squared_quantile(double p, double dof);

}  // namespace kalora::analysis
