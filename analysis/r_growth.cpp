#include "analysis/r_growth.h"

#include <cmath>

#include "analysis/assessment.h"

namespace kalora::analysis {

namespace {

// The channel's own rows as a series of their own, for the analysis of a prefix.
Series rows_of(const ChannelResult& c) {
  Series s;
  s.kind = c.kind;
  const auto k = static_cast<std::size_t>(c.channel - 1);
  s.rows.resize(c.records());
  for (std::size_t j = 0; j < c.records(); ++j) {
    Observation& row = s.rows[j];
    row.time = c.start + std::llround(c.seconds[j]);
    row.kind = c.kind;
    row.q[k] = c.q[j];
    row.t_in[k] = c.t_in[j];
    row.t_ext[k] = c.t_ext[j];
  }
  return s;
}

std::optional<ChannelResult::GrowthStep> step_of(const ChannelResult& c) {
  const Verdict& v = c.verdict;
  if (!v.R_best) return std::nullopt;
  return ChannelResult::GrowthStep{c.hours, *v.R_best, v.R_lo, v.R_hi};
}

}  // namespace

std::vector<ChannelResult::GrowthStep> r_growth(const ChannelResult& channel, const AnalysisOptions& options,
                                                const std::function<bool()>& stop) {
  std::vector<ChannelResult::GrowthStep> out;
  if (channel.records() < 2) return out;
  // The rows are those the channel's result was drawn from: no span or whole days again.
  AnalysisOptions prefix_options = options;
  prefix_options.span = {};
  prefix_options.whole_days = false;
  const Series all = rows_of(channel);
  Series prefix;
  prefix.kind = all.kind;
  std::size_t taken = 0;
  for (double end = growth_step_hours; end < channel.hours; end += growth_step_hours) {
    if (stop && stop()) return out;
    const std::size_t before = taken;
    while (taken < all.rows.size() && channel.seconds[taken] <= end * 3600) prefix.rows.push_back(all.rows[taken++]);
    if (taken == before) continue;  // a pause in the logging: nothing new
    auto part = analyse_channel(prefix, channel.channel, prefix_options);
    if (!part) continue;
    assess(*part, part->kind, prefix_options);
    if (auto s = step_of(*part)) out.push_back(*s);
  }
  if (stop && stop()) return out;
  if (auto s = step_of(channel)) out.push_back(*s);
  return out;
}

}  // namespace kalora::analysis
