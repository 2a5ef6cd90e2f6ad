// The grey-box method on series made by its own kind of model (it must find R and the
// time constants again, within its interval), on series it must refuse, and the
// whiteness test it reports.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "analysis/greybox_method.h"
#include "support/wall_model.h"

namespace kalora::analysis {
namespace {

struct Made {
  std::vector<double> seconds, q, t_in, t_ext;
};

// An RC chain driven by swinging temperatures, integrated in one-minute steps, with
// noise on the states and on the logged flux.
Made made_by_chain(const GreyboxParameters& p, double days, double noise, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal;
  const std::size_t n = p.C.size();
  Made m;
  auto t_in = [](double t) { return 20 + 0.6 * std::sin(t / 30000) + 0.3 * std::sin(t / 7000 + 1); };
  auto t_ext = [](double t) { return -5 + 4 * std::sin(t / 13750 + 2) + 3 * std::sin(t / 80000) + std::sin(t / 3100); };
  std::vector<double> x(n, 5);
  constexpr double dt = 60, log_step = 1200;
  for (long s = 0; s * dt <= days * 86400; ++s) {
    const double t = s * dt;
    if (s % static_cast<long>(log_step / dt) == 0) {
      m.seconds.push_back(t);
      m.t_in.push_back(t_in(t));
      m.t_ext.push_back(t_ext(t));
      m.q.push_back((t_in(t) - x[0]) / p.R[0] + noise * normal(random));
    }
    std::vector<double> next = x;
    for (std::size_t k = 0; k < n; ++k) {
      const double left = k == 0 ? t_in(t) : x[k - 1];
      const double right = k + 1 == n ? t_ext(t) : x[k + 1];
      const double flow = (left - x[k]) / p.R[k] - (x[k] - right) / p.R[k + 1];
      next[k] += dt * flow / p.C[k] + p.noise_ratio * noise * std::sqrt(dt) * normal(random);
    }
    x = next;
  }
  return m;
}

TEST(GreyboxMethod, FindsTheChainThatMadeTheSeries) {
  struct Case {
    GreyboxParameters p;
    double days;
    std::uint32_t seed;
  };
  const Case cases[] = {
      {{{0.4, 1.6}, {8e4}, 1e-4}, 4, 1},
      {{{0.3, 1.2, 0.5}, {1.5e5, 3e5}, 5e-5}, 7, 2},
      {{{0.3, 2.5, 0.1}, {3e5, 2e4}, 1e-4}, 10, 3},
  };
  for (const Case& c : cases) {
    const Made m = made_by_chain(c.p, c.days, 0.05, c.seed);
    const auto got = greybox_method({m.seconds, m.q, m.t_in, m.t_ext, 0.17, {}, {}});
    ASSERT_TRUE(got.result) << got.reason;
    const GreyboxResult& r = *got.result;
    const double R = c.p.resistance();
    SCOPED_TRACE(R);
    EXPECT_LE(r.R_lo, R);
    EXPECT_GE(r.R_hi, R);
    EXPECT_NEAR(r.R, R, 0.03 * R);
    EXPECT_NEAR(r.U, 1 / (R + 0.17), 0.03 / (R + 0.17));
    EXPECT_GE(r.capacities, c.p.capacities());
    EXPECT_NEAR(r.tau_h.front(), c.p.time_constants_h().front(), 0.1 * c.p.time_constants_h().front());
    EXPECT_GT(r.white_p, 0.01);
  }
}

// Heavy walls of layers, logged as the meter does (rounded to 0.1): R inside its
// interval and close, the slowest time constant of the wall's order.
TEST(GreyboxMethod, FitsHeavyWallsOfLayers) {
  struct Case {
    std::size_t wall;  // in test::model_walls()
    int kind;
    double days;
    std::uint32_t seed;
  };
  const Case cases[] = {{2, 1, 14, 2}, {2, 0, 10, 1}, {3, 1, 10, 5}, {3, 0, 14, 2}};
  const auto walls = test::model_walls();
  for (const Case& c : cases) {
    const test::ModelWall& wall = walls[c.wall];
    const test::Logged m = test::simulate(wall, test::varied_weather(c.seed), c.days, c.kind);
    const double surfaces = c.kind == 0 ? 0 : test::model_rsi + test::model_rse;
    const auto got = greybox_method({m.seconds, m.q, m.t_in, m.t_ext, surfaces, {}, {}});
    SCOPED_TRACE(wall.name + " kind " + std::to_string(c.kind));
    ASSERT_TRUE(got.result) << got.reason;
    const GreyboxResult& r = *got.result;
    EXPECT_LE(r.R_lo, m.true_R);
    EXPECT_GE(r.R_hi, m.true_R);
    EXPECT_NEAR(r.R, m.true_R, 0.03 * m.true_R);
    const double tau = test::slowest_time_constant_h(wall, c.kind);
    // A few lumps stand for a continuous wall: their slowest mode is of the wall's order only.
    EXPECT_GT(r.tau_h.front(), tau / 2);
    EXPECT_LT(r.tau_h.front(), 2 * tau);
  }
}

TEST(GreyboxMethod, RefusesWhatItCannotFit) {
  const GreyboxParameters p{{0.4, 1.6}, {8e4}, 1e-4};
  Made uneven = made_by_chain(p, 4, 0.05, 1);
  uneven.seconds[10] += 300;
  const Made brief = made_by_chain(p, 0.4, 0.05, 1);
  Made no_flux = made_by_chain(p, 4, 0.05, 1);
  std::fill(no_flux.q.begin(), no_flux.q.end(), 0.0);
  Made no_difference = no_flux;
  no_difference.t_ext = no_difference.t_in;
  const std::pair<const Made*, const char*> cases[] = {
      {&uneven, "шаг записей непостоянен"},
      {&brief, "слишком мало записей"},
      {&no_flux, "тепловой поток или перепад температур не положительны"},
      {&no_difference, "тепловой поток или перепад температур не положительны"},
  };
  for (const auto& [m, reason] : cases) {
    const auto got = greybox_method({m->seconds, m->q, m->t_in, m->t_ext, 0, {}, {}});
    EXPECT_FALSE(got.result);
    EXPECT_EQ(got.reason, reason);
  }
}

TEST(GreyboxMethod, LjungBoxTellsWhiteFromCorrelated) {
  std::mt19937 random(7);
  std::normal_distribution<double> normal;
  std::vector<double> white(1000), correlated(1000);
  double last = 0;
  for (std::size_t i = 0; i < white.size(); ++i) {
    white[i] = normal(random);
    last = correlated[i] = 0.4 * last + normal(random);
  }
  EXPECT_GT(ljung_box_p(white, 72), 0.05);
  EXPECT_LT(ljung_box_p(correlated, 72), 1e-6);
  EXPECT_EQ(ljung_box_p({1, 2, 3}, 72), 1);
}

}  // namespace
}  // namespace kalora::analysis
