#include "analysis/student_t.h"

#include <cmath>
#include <limits>

namespace kalora::analysis {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double pi = 3.14159265358979323846;

// Continued fraction of the incomplete beta function (modified Lentz), good for
// x < (a + 1) / (a + b + 2).
double beta_fraction(double a, double b, double x) {
  constexpr double tiny = 1e-300;
  constexpr double eps = 1e-16;
  double c = 1;
  double d = 1 - (a + b) * x / (a + 1);
  if (std::fabs(d) < tiny) d = tiny;
  d = 1 / d;
  double h = d;
  for (int m = 1; m <= 10000; ++m) {
    const double m2 = 2.0 * m;
    // Even step.
    double aa = m * (b - m) * x / ((a + m2 - 1) * (a + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < tiny) d = tiny;
    c = 1 + aa / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1 / d;
    h *= d * c;
    // Odd step.
    aa = -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1));
    d = 1 + aa * d;
    if (std::fabs(d) < tiny) d = tiny;
    c = 1 + aa / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1 / d;
    const double step = d * c;
    h *= step;
    if (std::fabs(step - 1) < eps) break;
  }
  return h;
}

// ln Γ(a + 1/2) − ln Γ(a); for a large the difference of two large logarithms
// would lose its digits, so an asymptotic series takes over.
double log_gamma_half_step(double a) {
  if (a < 1e4) return std::lgamma(a + 0.5) - std::lgamma(a);
  return 0.5 * std::log(a) - 1 / (8 * a) + 1 / (192 * a * a * a);
}

// The regularised incomplete beta function I_x(a, 1/2), with y = 1 − x and ln x given
// exactly (a·ln x must keep its digits for a large a).
double incomplete_beta_half(double a, double x, double y, double log_x) {
  constexpr double b = 0.5;
  if (x <= 0) return 0;
  if (y <= 0) return 1;
  const double front = std::exp(log_gamma_half_step(a) - std::lgamma(b) + a * log_x + b * std::log(y));
  if (x < (a + 1) / (a + b + 2)) return front * beta_fraction(a, b, x) / a;
  return 1 - front * beta_fraction(b, a, y) / b;
}

// P(T > t) for t ≥ 0: I_x(dof/2, 1/2) / 2 with x = dof/(dof + t²), exact in the far tail.
double upper_tail(double t, double dof) {
  const double t2 = t * t;
  return 0.5 * incomplete_beta_half(dof / 2, dof / (dof + t2), t2 / (dof + t2), -std::log1p(t2 / dof));
}

double density(double t, double dof) {
  const double log_c = log_gamma_half_step(dof / 2) - 0.5 * std::log(dof * pi);
  return std::exp(log_c - (dof + 1) / 2 * std::log1p(t * t / dof));
}

}  // namespace

double student_t_cdf(double t, double dof) {
  if (!(dof > 0) || std::isnan(t)) return nan;
  if (std::isinf(t)) return t > 0 ? 1 : 0;
  const double tail = upper_tail(std::fabs(t), dof);
  return t >= 0 ? 1 - tail : tail;
}

double student_t_quantile(double p, double dof) {
  if (!(p > 0 && p < 1) || !(dof > 0)) return nan;
  if (p == 0.5) return 0;
  // Solve P(T > t) = tail for t ≥ 0, then mirror.
  const double tail = p > 0.5 ? 1 - p : p;
  const double sign = p > 0.5 ? 1 : -1;
  // Closed forms for one and two degrees of freedom.
  if (dof == 1) return sign / std::tan(pi * tail);
  if (dof == 2) return sign * (1 - 2 * tail) / std::sqrt(2 * tail * (1 - tail));
  // Bracket the root, then Newton steps kept inside the bracket (bisection where a
  // step would leave it).
  double lo = 0;
  double hi = 1;
  while (upper_tail(hi, dof) > tail) {
    lo = hi;
    hi *= 2;
    if (hi > 1e300) return sign * std::numeric_limits<double>::infinity();
  }
  double t = (lo + hi) / 2;
  for (int i = 0; i < 200; ++i) {
    const double f = upper_tail(t, dof) - tail;  // decreasing in t
    if (f > 0)
      lo = t;
    else
      hi = t;
    const double step = f / density(t, dof);
    double next = t + step;
    if (!(next > lo && next < hi)) next = (lo + hi) / 2;
    if (std::fabs(next - t) <= 1e-15 * std::fabs(next) || hi - lo <= 1e-15 * hi) {
      t = next;
      break;
    }
    t = next;
  }
  return sign * t;
}

}  // namespace kalora::analysis
