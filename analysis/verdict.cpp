// The verdict on a channel. Measured against modelled walls of known resistance
// (bench/wall_study), the dynamic method stays within a few per cent of the truth when
// its interval is narrow, it gives the same R over the first and over the last two
// thirds of the series, and the series is long against the wall's memory. The memory
// is known from the heat capacity when the layers are given (the slowest time constant
// of the wall, about R·C/π²); without it a series shorter than a week must also show
// the marks of a light wall: τ below the longest the series allows, the average method
// agreeing within 2 % and its criteria 2 and 3 passing. The two methods more than 5 %
// apart are never reliable (checked against walls the rule was not set on).
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/assessment.h"

namespace kalora::analysis {

namespace {

constexpr double max_interval = 0.005;        // I_rel for any series
constexpr double max_interval_short = 0.003;  // and for a short one of unknown wall
constexpr double max_split = 0.02;            // first and last 2/3 against the whole
constexpr double max_disagreement = 0.05;     // average against dynamic
constexpr double max_disagreement_short = 0.02;  // the same for a short series of an unknown wall
constexpr double memories_in_series = 6;      // series length in the wall's time constants
constexpr double long_hours = 168;            // a week: long enough for an unknown wall
constexpr double tau_margin = 0.9;            // τ below this share of the longest allowed
constexpr double pi = 3.14159265358979323846;

std::string percent(double share) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f", share * 100);
  std::string s = b;
  std::replace(s.begin(), s.end(), '.', ',');
  return s + " %";
}

std::string days_text(double hours) {
  char b[32];
  std::snprintf(b, sizeof b, "%.0f", std::ceil(hours / 24));
  return b;
}

Verdict unreliable(Verdict v, const std::string& why) {
  v.trust = Trust::unreliable;
  v.reason = "недостоверно: " + why;
  return v;
}

}  // namespace

Verdict decide(const ChannelResult& r, int kind, const AnalysisOptions& options) {
  Verdict v;
  if (r.dynamic) {
    v.R_best = r.dynamic->R;
    v.method = "dynamic";
  } else if (r.R) {
    v.R_best = r.R;
    v.method = "average";
  } else {
    v.reason = "не определено: R не вычислено";
    return v;
  }
  if (!r.c1) {
    v.reason = "не определено: измерение короче 72 ч";
    return v;
  }
  const auto capacity = options.wall.capacity();
  // The wall's slowest time constant in hours, from R without the surface resistances.
  auto memory_hours = [&](double R) {
    const double rk = kind == 0 ? std::max(R - options.rsi - options.rse, R / 2) : R;
    return rk * *capacity / (pi * pi) / 3600;
  };
  if (!r.dynamic) {
    v.reason = "не определено: динамический метод неприменим (" + r.dynamic_reason + ")";
    // The average method alone, for a wall whose stored heat is known to be small and
    // whose memory is short against the series.
    if (!capacity || !r.c4 || !r.R) return v;
    if (!r.iso || !*r.c4) return unreliable(v, "критерии 1–4 не выполнены");
    const double memory_h = memory_hours(*r.R);
    if (r.hours < memories_in_series * memory_h)
      return unreliable(v, "стена слишком массивна для такого измерения (нужно не менее " +
                               days_text(memories_in_series * memory_h) + " сут.)");
    v.trust = Trust::reliable;
    v.reason = "достоверно";
    return v;
  }

  const DynamicResult& d = *r.dynamic;
  if (d.I_rel > max_interval)
    return unreliable(v, "доверительный интервал динамического метода ±" + percent(d.I_rel));
  if (!d.R_first || !d.R_last) return unreliable(v, "R по первым и последним 2/3 записей не определено");
  const double split = std::max({std::fabs(*d.R_first - *d.R_last), std::fabs(*d.R_first - d.R),
                                 std::fabs(*d.R_last - d.R)}) /
                       d.R;
  if (split > max_split) return unreliable(v, "R по первым и последним 2/3 записей расходятся на " + percent(split));
  // Far apart, the two methods say the heat stored in the wall changed a lot: the
  // dynamic method's correction is then too large to rely on.
  const std::optional<double> disagreement =
      r.R ? std::optional<double>(std::fabs(*r.R - d.R) / d.R) : std::nullopt;
  if (!disagreement || *disagreement > max_disagreement)
    return unreliable(v, "методы расходятся" + (disagreement ? " на " + percent(*disagreement) : std::string()));
  if (capacity) {
    const double memory_h = memory_hours(d.R);
    if (r.hours < memories_in_series * memory_h)
      return unreliable(v, "стена слишком массивна для такого измерения (нужно не менее " +
                               days_text(memories_in_series * memory_h) + " сут.)");
  } else if (r.hours < long_hours) {
    if (d.I_rel > max_interval_short)
      return unreliable(v, "доверительный интервал динамического метода ±" + percent(d.I_rel) +
                               " для измерения короче недели");
    if (d.tau_h * 3600 > tau_margin * static_cast<double>(d.p) * d.step)
      return unreliable(v, "память стены длиннее, чем позволяет измерение (нужна неделя или слои стены)");
    if (*disagreement > max_disagreement_short) return unreliable(v, "методы расходятся на " + percent(*disagreement));
    if (r.c2 != true || r.c3 != true) return unreliable(v, "критерии 2 и 3 не выполнены");
  }
  v.trust = Trust::reliable;
  v.reason = "достоверно";
  return v;
}

}  // namespace kalora::analysis
