// Student's t distribution: its distribution function and quantiles, for the
// confidence intervals of the analysis.
#pragma once

namespace kalora::analysis {

// P(T ≤ t) for T of Student's distribution with `dof` degrees of freedom (dof > 0,
// not necessarily whole). NaN for a dof that is not above 0 or a t that is NaN.
double student_t_cdf(double t, double dof);

// The t with P(T ≤ t) = p: 0.95 gives the bound of a one-sided 95 % or a two-sided
// 90 % interval, 0.975 a two-sided 95 % one. Relative error below 1e-10 up to 1e5
// degrees of freedom (a few 1e-9 far beyond, where t is the normal quantile anyway).
// NaN unless 0 < p < 1 and dof > 0.
double student_t_quantile(double p, double dof);

}  // namespace kalora::analysis
