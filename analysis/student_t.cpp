#include "analysis/student_t.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>

namespace kalora::analysis {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Bad arguments come back as NaN rather than as exceptions.
using Policy =
    boost::math::policies::policy<boost::math::policies::domain_error<boost::math::policies::ignore_error>,
                                  boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
                                  boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;

}  // namespace

double student_t_cdf(double t, double dof) {
  if (!(dof > 0) || std::isnan(t)) return nan;
  if (std::isinf(t)) return t > 0 ? 1 : 0;
  return boost::math::cdf(boost::math::students_t_distribution<double, Policy>(dof), t);
}

double student_t_quantile(double p, double dof) {
  if (!(p > 0 && p < 1) || !(dof > 0)) return nan;
  return boost::math::quantile(boost::math::students_t_distribution<double, Policy>(dof), p);
}

double chi_squared_upper_tail(double x, double dof) {
  if (!(dof > 0) || std::isnan(x)) return nan;
  if (x <= 0) return 1;
  if (std::isinf(x)) return 0;
  return boost::math::cdf(boost::math::complement(boost::math::chi_squared_distribution<double, Policy>(dof), x));
}

double chi_squared_quantile(double p, double dof) {
  if (!(p > 0 && p < 1) || !(dof > 0)) return nan;
  return boost::math::quantile(boost::math::chi_squared_distribution<double, Policy>(dof), p);
}

}  // namespace kalora::analysis
