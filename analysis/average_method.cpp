#include "analysis/average_method.h"

#include <cmath>

#include "analysis/assessment.h"

namespace kalora::analysis {

namespace {

std::optional<double> ratio(double numerator, double denominator) {
  if (!(denominator > 0)) return std::nullopt;
  return numerator / denominator;
}

// |a - b| / b in per cent; empty when either is empty or b is not above 0.
std::optional<double> deviation(std::optional<double> a, std::optional<double> b) {
  if (!a || !b || !(*b > 0)) return std::nullopt;
  return std::fabs(*a - *b) / *b * 100;
}

std::optional<bool> passes(std::optional<double> dev) {
  if (!dev) return std::nullopt;
  return *dev <= max_deviation;
}

// ΣΔT/Σq over the rows whose times pass `keep`.
template <typename Keep>
std::optional<double> resistance_over(const ChannelResult& r, const std::vector<std::int64_t>& times, Keep keep) {
  double dt = 0;
  double q = 0;
  for (std::size_t j = 0; j < times.size(); ++j) {
    if (!keep(times[j])) continue;
    dt += r.t_in[j] - r.t_ext[j];
    q += r.q[j];
  }
  return ratio(dt, q);
}

}  // namespace

void AnalysisOptions::use_surface(Surface named) {
  surface = named;
  if (const SurfaceConvention* c = find_surface(named)) rsi = c->rsi, rse = c->rse;
}

std::optional<ChannelResult> analyse_channel(const Series& series, int channel, const AnalysisOptions& options) {
  const auto c = static_cast<std::size_t>(channel - 1);
  std::vector<const Observation*> rows;
  for (const Observation& row : series.rows)
    if (row.q[c] && row.t_in[c] && row.t_ext[c]) rows.push_back(&row);
  if (rows.size() >= 2 && options.whole_days) {
    // Less than a day has no whole day to keep: the rows stay as they are. Otherwise the
    // period starts at the last row not later than floor(D) days before the end, so it
    // covers at least those whole days even when the rows do not fall on the instant.
    const std::int64_t span = rows.back()->time - rows.front()->time;
    if (span >= day) {
      const std::int64_t limit = rows.back()->time - span / day * day;
      std::size_t first = 0;
      for (std::size_t j = 0; j < rows.size(); ++j)
        if (rows[j]->time <= limit) first = j;
      rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(first));
    }
  }
  if (rows.size() < 2) return std::nullopt;

  ChannelResult r;
  r.channel = channel;
  r.kind = series.kind;
  r.start = rows.front()->time;
  std::vector<std::int64_t> times;
  double sum_q = 0;
  double sum_dt = 0;
  double sum_res = 0;
  std::size_t res_count = 0;
  for (const Observation* row : rows) {
    times.push_back(row->time);
    r.seconds.push_back(static_cast<double>(row->time - rows.front()->time));
    r.q.push_back(*row->q[c]);
    r.t_in.push_back(*row->t_in[c]);
    r.t_ext.push_back(*row->t_ext[c]);
    sum_q += *row->q[c];
    sum_dt += *row->t_in[c] - *row->t_ext[c];
    r.running.push_back(ratio(sum_dt, sum_q));
    if (row->res[c]) {
      sum_res += *row->res[c];
      ++res_count;
    }
  }
  const auto n = static_cast<double>(rows.size());
  const std::int64_t t1 = times.front();
  const std::int64_t tn = times.back();
  r.hours = static_cast<double>(tn - t1) / 3600;
  r.q_mean = sum_q / n;
  r.dT_mean = sum_dt / n;
  if (res_count > 0) r.res_mean = sum_res / static_cast<double>(res_count);
  r.R = r.running.back();
  if (r.R) r.U = ratio(1, series.kind == 0 ? *r.R : options.rsi + *r.R + options.rse);

  r.c1 = r.hours >= min_hours;
  if (tn - t1 >= day) {
    std::size_t p = 0;
    for (std::size_t j = 0; j < times.size(); ++j)
      if (times[j] <= tn - day) p = j;
    r.R24 = r.running[p];
    r.dev24 = deviation(r.R, r.R24);
    r.c2 = passes(r.dev24);
  }
  r.m_days = 2 * (tn - t1) / (3 * day);
  if (r.m_days >= 1) {
    const std::int64_t window = r.m_days * day;
    r.R_first = resistance_over(r, times, [&](std::int64_t t) { return t <= t1 + window; });
    r.R_last = resistance_over(r, times, [&](std::int64_t t) { return t >= tn - window; });
    r.dev23 = deviation(r.R_first, r.R_last);
    r.c3 = passes(r.dev23);
  }
  r.iso = r.c1 && r.c2 == true && r.c3 == true;
  return r;
}

Analysis analyse(const Observations& observations, const AnalysisOptions& options, const AnalysisHooks& hooks) {
  Analysis out;
  out.skipped = observations.skipped;
  const auto stopped = [&] { return hooks.stop && hooks.stop(); };
  const std::vector<Series> all = split_series(observations.rows, options.max_gap);
  for (const Series& s : all) {
    if (stopped()) break;
    SeriesResult result;
    result.index = static_cast<int>(out.series.size()) + 1;
    result.kind = s.kind;
    result.first = s.rows.front().time;
    result.last = s.rows.back().time;
    result.records = s.rows.size();
    const Series inside = within(s, options.span);
    result.analysed = inside.rows.size();
    if (result.analysed >= 2) {
      result.from = inside.rows.front().time;
      result.to = inside.rows.back().time;
      for (int c = 1; c <= channel_count; ++c)
        if (auto channel = analyse_channel(inside, c, options)) result.channels.push_back(std::move(*channel));
      if (hooks.series_begun) hooks.series_begun(result, all.size());
      for (ChannelResult& channel : result.channels) {
        if (stopped()) break;
        assess(channel, inside.kind, options);
      }
      // A series cut short by the stop is not reported as finished.
      if (stopped()) break;
    }
    out.series.push_back(std::move(result));
    if (hooks.series_done) hooks.series_done(out.series.back(), out.series.size(), all.size());
  }
  return out;
}

}  // namespace kalora::analysis
