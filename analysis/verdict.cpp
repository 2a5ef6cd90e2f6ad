// The verdict on a channel, measured against modelled walls of known resistance
// (bench/verdict_study). The dynamic method is within a few per cent of the truth when
// R's interval is narrow: the method's own 90 % interval, allowing for autocorrelated
// residuals, and while the series is short against the wall's memory also how far the
// R of its first and last two thirds stray. A series shorter than a week must hold it
// within ±2 % (a heavy wall's few days can be far off and still look steady), a longer
// one within ±5 %. With the layers given the series must also last four of the wall's
// slowest time constants, taken from the layers' design values, never from the measured
// R: an underestimated R would make the wall look lighter than it is.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/assessment.h"
#include "analysis/measuring_time.h"

namespace kalora::analysis {

namespace {

constexpr double max_disagreement = 0.08;  // average against dynamic

std::string decimal(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f", v);
  std::string s = b;
  std::replace(s.begin(), s.end(), '.', ',');
  return s;
}
std::string percent(double share) { return decimal(share * 100) + " %"; }

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
  const auto memory_h = memory_hours(r, kind, options);
  const auto too_short = [&] { return memory_h && r.hours < min_memories * *memory_h; };
  const auto too_short_reason = [&] {
    return "стена слишком массивна для такого измерения: нужно не менее " + decimal(min_memories * *memory_h / 24) +
           " сут., измерено " + decimal(r.hours / 24) + " сут.";
  };
  if (!r.dynamic) {
    v.reason = "не определено: динамический метод неприменим (" + r.dynamic_reason + ")";
    // The average method alone, for a wall whose stored heat is known to be small and
    // whose memory is short against the series.
    if (!options.wall.capacity() || !memory_h || !r.c4 || !r.R) return v;
    if (!r.iso || !*r.c4) return unreliable(v, "критерии 1–4 не выполнены");
    if (too_short()) return unreliable(v, too_short_reason());
    v.trust = Trust::reliable;
    v.reason = "достоверно";
    return v;
  }

  const DynamicResult& d = *r.dynamic;
  const double width = interval_share(r, memory_h);
  const double limit = interval_limit(r.hours);
  if (width > limit)
    return unreliable(v, "интервал R ±" + percent(width) + " шире допустимых ±" + percent(limit) +
                             (r.hours < week_hours ? " для измерения короче недели" : ""));
  // Far apart, the two methods say the heat stored in the wall changed a lot: the
  // dynamic method's correction is then too large to rely on.
  const std::optional<double> disagreement = r.R ? std::optional<double>(std::fabs(*r.R - d.R) / d.R) : std::nullopt;
  if (!disagreement || *disagreement > max_disagreement)
    return unreliable(v, "методы расходятся" + (disagreement ? " на " + percent(*disagreement) : std::string()) +
                             ", допустимо " + percent(max_disagreement));
  if (too_short()) return unreliable(v, too_short_reason());
  v.trust = Trust::reliable;
  v.reason = "достоверно";
  return v;
}

}  // namespace kalora::analysis
