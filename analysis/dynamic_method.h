// The dynamic method: a wall's thermal resistance from a model of the heat flux that
// also answers to the rates of change of both temperatures and to their recent past
// (two exponential memories with time constants τ and τ/5), fitted by least squares.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kalora::analysis {

inline constexpr int dynamic_memories = 2;  // N, the exponential memories
inline constexpr double memory_ratio = 5;   // r, τ_n = τ / r^(n−1)
inline constexpr int tau_grid = 60;         // values of τ tried before the refinement

struct DynamicResult {
  double R = 0;      // 1/L
  double U = 0;
  double L = 0;
  double tau_h = 0;  // τ, hours
  double I_rel = 0;  // half-width of the 90 % interval of L, relative to L
  std::optional<double> I_rel_hac;  // the same allowing for autocorrelated residuals (Newey–West, 24 h)
  std::size_t M = 0;  // equations
  std::size_t p = 0;  // rows of the memory sums
  double step = 0;    // seconds
  double S2 = 0;      // residual sum of squares at τ
  std::optional<double> R_first, R_last;  // over the first and the last 2/3 of the rows
  std::vector<double> coefficients;  // L, K1, K2, P1..PN, Q1..QN
  std::vector<double> q_model;       // the model's q at rows p+1 … n−1
};

struct DynamicOutcome {
  std::optional<DynamicResult> result;
  std::string reason;  // why there is none
};

// The model's columns at one τ for the rows of a series with constant step `step`:
// ΔT, dT_I, −dT_E, then the memory sums of dT_I and of dT_E, rows p+1 … n−1.
struct DynamicInput {
  const std::vector<double>& seconds;
  const std::vector<double>& q;
  const std::vector<double>& t_in;
  const std::vector<double>& t_ext;
};

// `surface_resistances` is Rsi + Rse, added to R for U (0 for an air-to-air series).
DynamicOutcome dynamic_method(const DynamicInput& in, double surface_resistances);

// The step of a series when every step is within 1 % of the median one.
std::optional<double> constant_step(const std::vector<double>& seconds);

}  // namespace kalora::analysis
