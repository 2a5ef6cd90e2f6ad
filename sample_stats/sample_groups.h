// Results per sample: the rows of the stationary or probe table grouped by their
// comment, and per group the statistics of its repeated measurements of λ.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sample_stats/sample_rows.h"

namespace kalora::samples {

// The name of the group of rows without a comment.
inline constexpr std::string_view no_comment_name = "(без комментария)";

// The reference temperatures λ is given at, °C.
inline constexpr double reference_low = 10;
inline constexpr double reference_high = 25;
// A line λ(tср) needs this many rows and this span of tср, °C.
inline constexpr std::size_t fit_min_rows = 3;
inline constexpr double fit_min_span = 5;
// A value further than this many standard deviations of the other values from
// their mean is a possible outlier, in groups of at least outlier_min_rows values.
inline constexpr double outlier_sds = 3;
inline constexpr std::size_t outlier_min_rows = 4;

// λ = λ0 + b·tср by least squares over the group's rows.
struct LineFit {
  double lambda0 = 0;
  double b = 0;
  std::optional<double> r2;  // empty when every λ is the same
  double t_min = 0;
  double t_max = 0;
  double lambda_low = 0;   // at reference_low
  double lambda_high = 0;  // at reference_high
  bool low_outside = false;   // reference_low lies outside [t_min, t_max]
  bool high_outside = false;  // reference_high likewise
};

// Why a stationary group has no line.
enum class NoFit { none, few_rows, narrow_span };

struct SampleGroup {
  std::string name;  // the first row's comment, trimmed; no_comment_name for empty comments
  bool commented = true;
  std::vector<std::size_t> rows;  // indexes into the rows grouped, in their order
  std::size_t n = 0;              // rows with a λ
  std::optional<double> lambda_mean, lambda_sd, lambda_cv, lambda_ci95, lambda_min, lambda_max;
  // Stationary table: means of H, R, q and of the rows' tср.
  std::optional<double> thick_mean, r_mean, q_mean, t_mean;
  std::optional<LineFit> fit;
  NoFit no_fit = NoFit::none;
  // Probe table: means of c and ρ, and the thermal diffusivity of the means, mm²/s.
  std::optional<double> c_mean, rho_mean, diffusivity;
  std::vector<std::size_t> outliers;  // indexes into the rows grouped
};

struct SampleResults {
  Method method = Method::stationary;
  std::vector<SampleRow> rows;
  std::vector<SampleGroup> groups;  // in the order of each group's first row
};

// Groups the rows by comment and works out each group's figures.
SampleResults sample_groups(std::vector<SampleRow> rows, Method method);

// The two-sided 95 % Student factor for n values (n − 1 degrees of freedom); n ≥ 2.
double student_95(std::size_t n);

}  // namespace kalora::samples
