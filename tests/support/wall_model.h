// A wall of layers whose true resistance is known, under changing weather: a
// finite-volume model (implicit in time) with surface resistances 0.13 and 0.04, an
// outdoor temperature with daily and slower swings and a wandering part, a nearly
// constant indoor one, logged every 20 minutes and rounded to 0.1 like the meter.
#pragma once

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kalora::test {

struct ModelLayer {
  double d;       // m
  double lambda;  // W/(m·K)
  double rho;     // kg/m³
  double c;       // J/(kg·K)
};

struct ModelWall {
  std::string name;
  std::vector<ModelLayer> layers;  // inside to outside
  double resistance() const {
    double r = 0;
    for (const ModelLayer& l : layers) r += l.d / l.lambda;
    return r;
  }
  double capacity() const {  // J/(m²·K)
    double c = 0;
    for (const ModelLayer& l : layers) c += l.d * l.rho * l.c;
    return c;
  }
};

struct Weather {
  double outdoor_mean = -5;
  double daily_swing = 4;    // amplitude, K
  double slow_swing = 5;     // amplitude, K
  double slow_days = 6;      // period of the slow swing
  double wander = 2;         // standard deviation of the wandering part, K
  double indoor = 20;
  double indoor_swing = 0.3;  // daily amplitude indoors
  std::uint32_t seed = 1;
};

// The meter's record: surface temperatures for Rк, air ones for Rо.
struct Logged {
  std::vector<double> seconds, q, t_in, t_ext;  // t_in/t_ext are surface or air temperatures
  double true_R = 0;
};

inline constexpr double model_rsi = 0.13;
inline constexpr double model_rse = 0.04;

inline constexpr double pi = 3.14159265358979323846;

inline double meter_round(double v) { return std::round(v * 10) / 10; }

// `days` of logging after `spin_up_days` of the same weather; surfaces for Rк (kind 1),
// air for Rо (kind 0).
inline Logged simulate(const ModelWall& wall, const Weather& weather, double days, int kind,
                       double spin_up_days = 10, double log_step = 1200) {
  constexpr double dt = 120;  // s, the model's own step
  constexpr double max_cell = 0.01;
  struct Cell {
    double h, lambda, cap;
  };
  std::vector<Cell> cells;
  for (const ModelLayer& l : wall.layers) {
    const int n = std::max(2, static_cast<int>(std::ceil(l.d / max_cell)));
    for (int i = 0; i < n; ++i) cells.push_back({l.d / n, l.lambda, l.d / n * l.rho * l.c});
  }
  const std::size_t n = cells.size();
  // Conductances: g[0] air to the first cell, g[k] cell k−1 to k, g[n] last cell to the outdoor air.
  std::vector<double> g(n + 1);
  g[0] = 1 / (model_rsi + cells[0].h / (2 * cells[0].lambda));
  for (std::size_t k = 1; k < n; ++k)
    g[k] = 1 / (cells[k - 1].h / (2 * cells[k - 1].lambda) + cells[k].h / (2 * cells[k].lambda));
  g[n] = 1 / (model_rse + cells[n - 1].h / (2 * cells[n - 1].lambda));

  std::mt19937 random(weather.seed);
  auto uniform = [&] { return (static_cast<double>(random()) + 0.5) / 4294967296.0; };
  auto normal = [&] { return std::sqrt(-2 * std::log(uniform())) * std::cos(2 * pi * uniform()); };
  const double phase_day = 2 * pi * uniform();
  const double phase_slow = 2 * pi * uniform();
  const double phase_in = 2 * pi * uniform();
  double wandering = weather.wander * normal();
  const double wander_time = 1.5 * 86400;  // s, correlation time
  auto outdoor = [&](double t) {
    return weather.outdoor_mean + weather.daily_swing * std::sin(2 * pi * t / 86400 + phase_day) +
           weather.slow_swing * std::sin(2 * pi * t / (weather.slow_days * 86400) + phase_slow) + wandering;
  };
  auto indoor = [&](double t) {
    return weather.indoor + weather.indoor_swing * std::sin(2 * pi * t / 86400 + phase_in);
  };

  // Steady state at the first temperatures.
  std::vector<double> temp(n);
  {
    const double ti = indoor(0), te = outdoor(0);
    const double total = model_rsi + wall.resistance() + model_rse;
    double r = model_rsi;
    for (std::size_t k = 0; k < n; ++k) {
      r += cells[k].h / (2 * cells[k].lambda);
      temp[k] = ti - (ti - te) * r / total;
      r += cells[k].h / (2 * cells[k].lambda);
    }
  }
  Logged out;
  out.true_R = kind == 0 ? model_rsi + wall.resistance() + model_rse : wall.resistance();
  std::vector<double> a(n), b(n), c(n), rhs(n);
  const auto total_steps = static_cast<long>(std::llround((spin_up_days + days) * 86400 / dt));
  const auto spin_steps = static_cast<long>(std::llround(spin_up_days * 86400 / dt));
  const auto every = static_cast<long>(std::llround(log_step / dt));
  const double decay = std::exp(-dt / wander_time);
  for (long s = 0; s <= total_steps; ++s) {
    const double t = s * dt;
    const double ti = indoor(t), te = outdoor(t);
    if (s >= spin_steps && (s - spin_steps) % every == 0) {
      const double q = g[0] * (ti - temp[0]);
      const double q_out = g[n] * (temp[n - 1] - te);
      out.seconds.push_back((s - spin_steps) * dt);
      out.q.push_back(meter_round(q));
      out.t_in.push_back(meter_round(kind == 0 ? ti : ti - q * model_rsi));
      out.t_ext.push_back(meter_round(kind == 0 ? te : te + q_out * model_rse));
    }
    if (s == total_steps) break;
    // Backward Euler to t + dt: C/dt (T' − T) = Σ g (neighbour' − T').
    wandering = wandering * decay + weather.wander * std::sqrt(1 - decay * decay) * normal();
    const double ti1 = indoor(t + dt), te1 = outdoor(t + dt);
    for (std::size_t k = 0; k < n; ++k) {
      const double cd = cells[k].cap / dt;
      a[k] = k > 0 ? -g[k] : 0;
      c[k] = k + 1 < n ? -g[k + 1] : 0;
      b[k] = cd + g[k] + g[k + 1];
      rhs[k] = cd * temp[k] + (k == 0 ? g[0] * ti1 : 0) + (k + 1 == n ? g[n] * te1 : 0);
    }
    for (std::size_t k = 1; k < n; ++k) {
      const double f = a[k] / b[k - 1];
      b[k] -= f * c[k - 1];
      rhs[k] -= f * rhs[k - 1];
    }
    temp[n - 1] = rhs[n - 1] / b[n - 1];
    for (std::size_t k = n - 1; k-- > 0;) temp[k] = (rhs[k] - c[k] * temp[k + 1]) / b[k];
  }
  return out;
}

// The slowest time constant of the wall, hours: between its surfaces held at fixed
// temperatures for Rк (kind 1), between the airs for Rо (kind 0), on the cells the
// model runs on.
inline double slowest_time_constant_h(const ModelWall& wall, int kind) {
  std::vector<double> half, cap;  // per cell: half its resistance, its capacity
  for (const ModelLayer& l : wall.layers) {
    const int n = std::max(2, static_cast<int>(std::ceil(l.d / 0.01)));
    for (int i = 0; i < n; ++i) half.push_back(l.d / n / (2 * l.lambda)), cap.push_back(l.d / n * l.rho * l.c);
  }
  const auto n = static_cast<Eigen::Index>(cap.size());
  std::vector<double> g(cap.size() + 1);
  g.front() = 1 / ((kind == 0 ? model_rsi : 0) + half.front());
  g.back() = 1 / ((kind == 0 ? model_rse : 0) + half.back());
  for (std::size_t k = 1; k < cap.size(); ++k) g[k] = 1 / (half[k - 1] + half[k]);
  // C^(-1/2)·G·C^(-1/2), symmetric, has the rates of the modes as eigenvalues.
  Eigen::MatrixXd m = Eigen::MatrixXd::Zero(n, n);
  for (Eigen::Index k = 0; k < n; ++k) {
    const auto i = static_cast<std::size_t>(k);
    m(k, k) = (g[i] + g[i + 1]) / cap[i];
    if (k > 0) m(k, k - 1) = m(k - 1, k) = -g[i] / std::sqrt(cap[i] * cap[i - 1]);
  }
  return 1 / Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(m, Eigen::EigenvaluesOnly).eigenvalues()(0) / 3600;
}

// Light, medium and heavy walls (λ, ρ, c of common handbook values).
inline std::vector<ModelWall> model_walls() {
  return {
      {"light", {{0.0125, 0.19, 800, 840}, {0.15, 0.042, 100, 840}, {0.012, 0.13, 650, 1700}}},
      {"medium", {{0.02, 0.70, 1600, 840}, {0.30, 0.141, 500, 840}, {0.02, 0.76, 1800, 840}}},
      {"heavy", {{0.02, 0.70, 1600, 840}, {0.38, 0.70, 1800, 880}, {0.10, 0.042, 100, 840}, {0.01, 0.76, 1800, 840}}},
      {"brick510", {{0.02, 0.70, 1600, 840}, {0.51, 0.70, 1800, 880}, {0.02, 0.76, 1800, 840}}},
  };
}

// The weathers of a heating season, picked by seed: a third cold (−25 … −10 °C outside),
// a third mild (0 … +8 °C, small differences for the meter's 0.1 steps), the rest between.
inline Weather varied_weather(std::uint32_t seed) {
  Weather w;
  w.seed = seed;
  std::mt19937 pick(seed * 7919u);
  auto between = [&](double a, double b) { return a + (b - a) * (static_cast<double>(pick()) / 4294967296.0); };
  switch (seed % 3) {
    case 0:
      w.outdoor_mean = between(-25, -10);
      break;
    case 1:
      w.outdoor_mean = between(0, 8);
      break;
    default:
      w.outdoor_mean = between(-10, 0);
  }
  w.daily_swing = between(1, 8);
  w.slow_swing = between(0, 8);
  w.slow_days = between(2, 14);
  w.wander = between(0, 4);
  w.indoor = between(18, 23);
  w.indoor_swing = between(0, 1);
  return w;
}

// Walls the verdict's rule was not set on, to check it against: solid brick, brick with
// the insulation inside, concrete with outside insulation, a log wall.
inline std::vector<ModelWall> other_walls() {
  return {
      {"brick510", {{0.02, 0.70, 1600, 840}, {0.51, 0.70, 1800, 880}, {0.02, 0.76, 1800, 840}}},
      {"inside_ins", {{0.0125, 0.19, 800, 840}, {0.10, 0.042, 100, 840}, {0.38, 0.70, 1800, 880}, {0.02, 0.76, 1800, 840}}},
      {"concrete_eps", {{0.01, 0.70, 1600, 840}, {0.20, 1.92, 2500, 840}, {0.15, 0.039, 25, 1340}, {0.01, 0.76, 1800, 840}}},
      {"log", {{0.22, 0.14, 500, 2300}}},
  };
}

}  // namespace kalora::test
