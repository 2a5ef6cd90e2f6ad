// The grey-box method: a wall's thermal resistance from a stochastic RC model fitted
// by maximum likelihood (analysis/greybox_model.h), with as many capacities (1 … 3)
// as a likelihood-ratio test asks for, R's 90 % interval from its profile likelihood
// and a test of whether the model's one-step errors are white.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/greybox_model.h"

namespace kalora::analysis {

struct GreyboxResult {
  double R = 0;  // Σ of the resistances
  double U = 0;
  double R_lo = 0, R_hi = 0;  // 90 % interval of R
  int capacities = 0;
  std::vector<double> tau_h;  // time constants, slowest first
  double white_p = 0;         // Ljung–Box p-value of the one-step errors, lags up to 24 h
  double loglik = 0;
  double sigma = 0;  // measurement noise of the flux, W/m²
  GreyboxParameters parameters;
};

struct GreyboxOutcome {
  std::optional<GreyboxResult> result;
  std::string reason;  // why there is none
};

struct GreyboxInput {
  const std::vector<double>& seconds;
  const std::vector<double>& q;
  const std::vector<double>& t_in;
  const std::vector<double>& t_ext;
  double surface_resistances = 0;  // added to R for U (0 for an air-to-air series)
  std::optional<double> design_R;  // the layers' R of the same kind, to start from
  std::optional<double> capacity;  // the layers' heat capacity, J/(m²·K)
  int max_capacities = greybox_max_capacities;
};

GreyboxOutcome greybox_method(const GreyboxInput& in);

// The Ljung–Box p-value of a series for lags 1 … `lags`; 1 for a series too short.
double ljung_box_p(const std::vector<double>& x, int lags);

}  // namespace kalora::analysis
