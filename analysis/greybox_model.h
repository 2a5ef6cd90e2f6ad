// The grey-box model of a wall: a chain of resistances R1 … R(N+1) with N heat
// capacities between them (N = 1 … 3), driven by the measured inner and outer
// temperatures, observed as the flux through R1 (the meter's plate on the inner
// surface). The states take a random walk (process noise) and the flux carries
// measurement noise; the log-likelihood comes from a Kalman filter.
#pragma once

#include <Eigen/Dense>
#include <cstddef>
#include <optional>
#include <vector>

namespace kalora::analysis {

inline constexpr int greybox_max_capacities = 3;

// Vectors and matrices of at most three states, kept on the stack.
using StateVector = Eigen::Matrix<double, Eigen::Dynamic, 1, 0, greybox_max_capacities, 1>;
using StateMatrix =
    Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, 0, greybox_max_capacities, greybox_max_capacities>;

// A model in physical units: R in m²·K/W, C in J/(m²·K); `noise_ratio` is the process
// noise of every state (K per √s) over the flux's measurement noise (W/m²).
struct GreyboxParameters {
  std::vector<double> R;  // N + 1, inside to outside
  std::vector<double> C;  // N
  double noise_ratio = 0;

  int capacities() const { return static_cast<int>(C.size()); }
  double resistance() const;
  // The time constants of the wall, slowest first, hours.
  std::vector<double> time_constants_h() const;
};

// The rows of a series with a constant step.
struct GreyboxData {
  double step = 0;  // seconds
  const std::vector<double>& q;
  const std::vector<double>& t_in;
  const std::vector<double>& t_ext;
};

struct GreyboxLikelihood {
  double loglik = 0;
  double sigma = 0;               // measurement noise of the flux, W/m²
  StateVector initial;            // the fitted initial temperatures of the capacities
  std::vector<double> residuals;  // standardised one-step errors (when asked for)
};

// The log-likelihood with the initial states and the noise scale fitted in closed
// form (both enter the filter linearly). Nothing when the model cannot be evaluated
// (a singular system, a non-finite number).
std::optional<GreyboxLikelihood> greybox_likelihood(const GreyboxParameters& p, const GreyboxData& d,
                                                    bool keep_residuals = false);

}  // namespace kalora::analysis
