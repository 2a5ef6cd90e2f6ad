// Student's t and χ² quantiles against published table values, and the distribution
// functions inverting them over a grid of probabilities and degrees of freedom.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/student_t.h"

namespace kalora::analysis {
namespace {

TEST(StudentT, QuantilesMatchTableValues) {
  struct Case {
    double p, dof, t;
  };
  // Ten significant digits (dof 3 and 5 from their closed-form distribution functions).
  const Case cases[] = {
      {0.95, 1, 6.313751515},    {0.975, 1, 12.70620474},
      {0.95, 2, 2.919985580},    {0.975, 2, 4.302652730},
      {0.95, 3, 2.353363435},    {0.975, 3, 3.182446305},
      {0.995, 3, 5.840909310},   {0.95, 5, 2.015048373},
      {0.975, 10, 2.228138852},  {0.95, 20, 1.724718243},
      {0.975, 30, 2.042272456},  {0.95, 100, 1.660234326},
      {0.05, 5, -2.015048373},   {0.5, 7, 0},
      {0.975, 1e5, 1.959987708},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(student_t_quantile(c.p, c.dof), c.t, 6e-10 * std::max(1.0, std::fabs(c.t))) << c.p << ' ' << c.dof;
  }
  for (const auto& [p, dof] : {std::pair{0.0, 5.0}, {1.0, 5.0}, {0.9, 0.0}, {NAN, 3.0}, {0.9, -1.0}})
    EXPECT_TRUE(std::isnan(student_t_quantile(p, dof))) << p << ' ' << dof;
}

TEST(StudentT, DistributionFunctionInvertsTheQuantile) {
  for (const double dof : {1.0, 1.5, 2.0, 3.0, 4.5, 12.0, 57.0, 400.0})
    for (const double p : {1e-9, 0.001, 0.1, 0.4, 0.6, 0.9, 0.95, 0.975, 0.999, 1 - 1e-9}) {
      const double t = student_t_quantile(p, dof);
      // The smaller tail, compared without the cancellation of 1 − p.
      const double tail = std::min(p, 1 - p);
      EXPECT_NEAR(student_t_cdf(-std::fabs(t), dof), tail, 1e-10 * tail) << p << ' ' << dof;
    }
}

TEST(ChiSquared, QuantilesMatchTableValuesAndTailInvertsThem) {
  struct Case {
    double p, dof, x;
  };
  const Case cases[] = {{0.95, 1, 3.841458821},
                        {0.95, 2, 5.991464547},
                        {0.95, 10, 18.30703805},
                        {0.05, 10, 3.940299136},
                        {0.99, 30, 50.89218131}};
  for (const Case& c : cases) {
    EXPECT_NEAR(chi_squared_quantile(c.p, c.dof), c.x, 1e-7 * c.x) << c.p << ' ' << c.dof;
    EXPECT_NEAR(chi_squared_upper_tail(c.x, c.dof), 1 - c.p, 1e-8) << c.p << ' ' << c.dof;
  }
  EXPECT_EQ(chi_squared_upper_tail(-1, 3), 1);
  for (const auto& [x, dof] : {std::pair{1.0, 0.0}, {NAN, 3.0}})
    EXPECT_TRUE(std::isnan(chi_squared_upper_tail(x, dof)));
}

}  // namespace
}  // namespace kalora::analysis
