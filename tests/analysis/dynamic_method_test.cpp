// The dynamic method on series made by its own model (it must find L and τ again),
// on series it must refuse, and its least-squares solver on dependent columns.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/dynamic_method.h"
#include "analysis/least_squares.h"

namespace kalora::analysis {
namespace {

struct Made {
  std::vector<double> seconds, q, t_in, t_ext;
};

// Temperatures of several swings and q of the model itself, with the memory sums
// summed term by term.
Made made_by_model(std::size_t n, double step, double tau, const std::vector<double>& k) {
  Made m;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) * step;
    m.seconds.push_back(t);
    m.t_in.push_back(20 + 0.8 * std::sin(t / 30000) + 0.3 * std::sin(t / 7000 + 1));
    m.t_ext.push_back(-5 + 4 * std::sin(t / 13750 + 2) + 3 * std::sin(t / 80000) + std::sin(t / 3100));
  }
  const std::size_t p = std::min(n / 3, static_cast<std::size_t>(2 * 86400 / step));
  auto rate = [&](const std::vector<double>& v, std::size_t i) { return (v[i] - v[i - 1]) / step; };
  for (std::size_t i = 0; i < n; ++i) {
    double q = k[0] * (m.t_in[i] - m.t_ext[i]);
    if (i > p) {
      q += k[1] * rate(m.t_in, i) - k[2] * rate(m.t_ext, i);
      for (int memory = 0; memory < 2; ++memory) {
        const double beta = std::exp(-step / (tau / std::pow(5.0, memory)));
        for (std::size_t j = i - p; j < i; ++j) {
          const double w = (1 - beta) * std::pow(beta, static_cast<double>(i - j));
          q += k[3 + memory] * rate(m.t_in, j) * w + k[5 + memory] * rate(m.t_ext, j) * w;
        }
      }
    }
    m.q.push_back(q);
  }
  return m;
}

TEST(DynamicMethod, FindsTheModelThatMadeTheSeries) {
  struct Case {
    std::size_t n;
    double step, tau_h;
    std::vector<double> k;  // L, K1, K2, P1, P2, Q1, Q2
  };
  const Case cases[] = {
      {217, 1200, 3, {0.35, 20000, 5000, 3000, -1000, 8000, 2000}},
      {1009, 1200, 30, {0.45, 90000, 2000, 40000, 10000, -30000, 15000}},
      {400, 3600, 10, {1.2, 5000, 800, -2000, 600, 4000, -900}},
  };
  for (const Case& c : cases) {
    const Made m = made_by_model(c.n, c.step, c.tau_h * 3600, c.k);
    const auto got = dynamic_method({m.seconds, m.q, m.t_in, m.t_ext}, 0.17);
    ASSERT_TRUE(got.result) << got.reason;
    const DynamicResult& d = *got.result;
    EXPECT_NEAR(d.R, 1 / c.k[0], 1e-7 / c.k[0]) << c.tau_h;
    EXPECT_NEAR(d.U, 1 / (0.17 + 1 / c.k[0]), 1e-7) << c.tau_h;
    EXPECT_NEAR(d.tau_h, c.tau_h, 1e-4 * c.tau_h);
    EXPECT_LT(d.I_rel, 1e-6);
    EXPECT_EQ(d.M, c.n - d.p - 1);
    for (std::size_t j = 0; j < c.k.size(); ++j) EXPECT_NEAR(d.coefficients[j], c.k[j], 1e-4 * std::fabs(c.k[j]));
  }
}

TEST(DynamicMethod, RefusesUnevenAndShortSeries) {
  struct Case {
    std::vector<double> seconds;
    std::string reason;
  };
  auto even = [](std::size_t n, double step) {
    std::vector<double> s;
    for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<double>(i) * step);
    return s;
  };
  std::vector<double> one_late = even(300, 1200);
  for (std::size_t i = 150; i < one_late.size(); ++i) one_late[i] += 13;  // a step 1.1 % long
  std::vector<double> within = even(300, 1200);
  for (std::size_t i = 150; i < within.size(); ++i) within[i] += 11;  // 0.9 %: still constant
  const Case cases[] = {
      {one_late, "шаг записей непостоянен"},
      {within, ""},
      {even(13, 1200), "слишком мало записей"},
      {even(14, 1200), ""},
      {{0, 0, 0}, "шаг записей непостоянен"},
  };
  for (const Case& c : cases) {
    std::vector<double> q, t_in, t_ext;
    for (const double t : c.seconds) {
      t_in.push_back(20 + std::sin(t / 9000));
      t_ext.push_back(-3 + 5 * std::sin(t / 20000));
      q.push_back(0.4 * (t_in.back() - t_ext.back()));
    }
    const auto got = dynamic_method({c.seconds, q, t_in, t_ext}, 0);
    EXPECT_EQ(got.reason, c.reason) << c.seconds.size();
    EXPECT_EQ(got.result.has_value(), c.reason.empty()) << c.seconds.size();
  }
}

TEST(LeastSquares, LeavesDependentColumnsOut) {
  struct Case {
    std::vector<std::vector<double>> columns;
    std::vector<double> b;
    std::size_t rank;
    std::vector<double> x;        // checked on the used columns
    std::vector<double> inverse;  // diagonal of (AᵀA)⁻¹
  };
  const Case cases[] = {
      {{{1, 0, 0}, {0, 2, 0}}, {3, 4, 0}, 2, {3, 2}, {1, 0.25}},
      {{{1, 1, 1, 1}, {0, 1, 2, 3}}, {1, 3, 5, 7}, 2, {1, 2}, {0.7, 0.2}},
      {{{1, 1, 1}, {0, 0, 0}, {1, 2, 3}}, {2, 3, 4}, 2, {1, 0, 1}, {7.0 / 3, 0, 0.5}},
      {{{1, 2, 3}, {2, 4, 6}}, {1, 2, 3}, 1, {}, {}},
  };
  for (const Case& c : cases) {
    Columns a;
    a.rows = c.b.size();
    a.columns = c.columns;
    const LeastSquares got = solve_least_squares(a, c.b);
    EXPECT_EQ(got.rank, c.rank);
    for (std::size_t j = 0; j < c.x.size(); ++j) {
      EXPECT_NEAR(got.x[j], c.x[j], 1e-12) << j;
      EXPECT_NEAR(got.inverse[j], c.inverse[j], 1e-12) << j;
    }
    // Whatever columns it rests on, the fit is exact for these right-hand sides.
    EXPECT_NEAR(got.residual, 0, 1e-20);
  }
}

}  // namespace
}  // namespace kalora::analysis
