#include "analysis/measuring_time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kalora::analysis {

namespace {

// The limits the verdict holds a series to (analysis/verdict.cpp), which the advice
// projects forward: the interval narrows as 1/√T, the spread of the first and last two
// thirds about as 1/T.
constexpr double interval_limit = 0.005;
constexpr double split_limit = 0.02;
constexpr double week_hours = 168;
constexpr double memories_in_series = 6;
constexpr double pi = 3.14159265358979323846;

// The dynamic method's interval in R, widened to cover its autocorrelated residuals
// and how far its first and last two thirds stray from the whole.
void dynamic_interval(const DynamicResult& d, Verdict& v) {
  const double interval = std::max(d.I_rel, d.I_rel_hac.value_or(0));
  double split = 0;
  for (const auto& part : {d.R_first, d.R_last})
    if (part) split = std::max(split, std::fabs(*part - d.R) / d.R);
  const double w = std::min(interval + split, 0.9);
  v.R_lo = d.R * (1 - w);
  v.R_hi = d.R * (1 + w);
}

std::optional<double> hours_needed(const ChannelResult& r, int kind, const AnalysisOptions& options) {
  double needed = min_hours;
  if (r.dynamic) {
    const DynamicResult& d = *r.dynamic;
    needed = std::max(needed, r.hours * std::pow(d.I_rel / interval_limit, 2));
    double split = 0;
    for (const auto& part : {d.R_first, d.R_last})
      if (part) split = std::max(split, std::fabs(*part - d.R) / d.R);
    needed = std::max(needed, r.hours * split / split_limit);
  }
  // The wall's slowest time constant: from the layers when given, else from the
  // grey-box model (never from the measured R alone).
  std::optional<double> memory_h;
  if (const auto capacity = options.wall.capacity(); capacity && options.wall.resistance()) {
    memory_h = *options.wall.resistance() * *capacity / (pi * pi) / 3600;
    (void)kind;
  } else if (r.greybox && !r.greybox->tau_h.empty()) {
    memory_h = r.greybox->tau_h.front();
  }
  if (memory_h)
    needed = std::max(needed, memories_in_series * *memory_h);
  else if (r.hours < week_hours)
    needed = std::max(needed, week_hours);
  if (!std::isfinite(needed)) return std::nullopt;
  return needed;
}

}  // namespace

void complete_verdict(ChannelResult& r, int kind, const AnalysisOptions& options) {
  Verdict& v = r.verdict;
  if (r.dynamic && v.method == "dynamic") {
    dynamic_interval(*r.dynamic, v);
  } else if (r.greybox && v.method == "greybox") {
    v.R_lo = r.greybox->R_lo;
    v.R_hi = r.greybox->R_hi;
  }
  if (v.trust == Trust::reliable || !v.R_best || !(r.dT_mean >= min_useful_difference)) return;
  const auto needed = hours_needed(r, kind, options);
  if (!needed) return;
  v.days_more = std::max(1.0, std::ceil((*needed - r.hours) / 24));
}

std::string measuring_advice(const ChannelResult& r) {
  const Verdict& v = r.verdict;
  if (v.trust == Trust::reliable || !v.R_best) return {};
  char b[160];
  if (v.days_more) {
    std::snprintf(b, sizeof b, "Продолжите измерение ещё примерно %.0f сут.", *v.days_more);
    return b;
  }
  if (!(r.dT_mean >= min_useful_difference)) {
    std::snprintf(b, sizeof b, "%.1f", r.dT_mean);
    std::string difference = b;
    std::replace(difference.begin(), difference.end(), '.', ',');
    return "Перепад температур слишком мал (" + difference +
           " °C): продолжение измерения не поможет, повторите его в более холодную погоду.";
  }
  return {};
}

}  // namespace kalora::analysis
