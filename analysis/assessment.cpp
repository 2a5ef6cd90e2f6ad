#include "analysis/assessment.h"

#include "analysis/measuring_time.h"
#include "analysis/stored_heat.h"

namespace kalora::analysis {

namespace {

void assess_greybox(ChannelResult& r, int kind, const AnalysisOptions& options) {
  const double surfaces = options.rsi + options.rse;
  GreyboxInput in{r.seconds, r.q, r.t_in, r.t_ext, kind == 0 ? 0 : surfaces, {}, {}};
  if (const auto design = options.wall.resistance()) in.design_R = *design + (kind == 0 ? surfaces : 0);
  in.capacity = options.wall.capacity();
  auto greybox = greybox_method(in);
  r.greybox = std::move(greybox.result);
  r.greybox_reason = std::move(greybox.reason);
}

}  // namespace

void assess(ChannelResult& r, int kind, const AnalysisOptions& options) {
  const double surfaces = kind == 0 ? 0 : options.rsi + options.rse;
  auto dynamic = dynamic_method({r.seconds, r.q, r.t_in, r.t_ext}, surfaces);
  r.dynamic = std::move(dynamic.result);
  r.dynamic_reason = std::move(dynamic.reason);
  if (r.dynamic) {
    // The same method over the first and the last two thirds: a wall whose memory is
    // longer than the series gives different answers.
    const std::size_t n = r.seconds.size();
    const std::size_t part = (2 * n + 2) / 3;
    auto over = [&](std::size_t from) -> std::optional<double> {
      const auto cut = [&](const std::vector<double>& v) {
        return std::vector<double>(v.begin() + static_cast<std::ptrdiff_t>(from),
                                   v.begin() + static_cast<std::ptrdiff_t>(from + part));
      };
      const auto s = cut(r.seconds), q = cut(r.q), ti = cut(r.t_in), te = cut(r.t_ext);
      const auto d = dynamic_method({s, q, ti, te}, surfaces);
      return d.result ? std::optional<double>(d.result->R) : std::nullopt;
    };
    r.dynamic->R_first = over(0);
    r.dynamic->R_last = over(n - part);
  }

  assess_greybox(r, kind, options);

  if (kind == 0) {
    // Air temperatures: the surfaces lie a surface resistance's drop beyond them.
    std::vector<double> t_si(r.q.size()), t_se(r.q.size());
    for (std::size_t i = 0; i < r.q.size(); ++i) {
      t_si[i] = r.t_in[i] - r.q[i] * options.rsi;
      t_se[i] = r.t_ext[i] + r.q[i] * options.rse;
    }
    r.stored_heat_pct = stored_heat_percent({r.seconds, r.q, t_si, t_se}, options.wall);
  } else {
    r.stored_heat_pct = stored_heat_percent({r.seconds, r.q, r.t_in, r.t_ext}, options.wall);
  }
  if (r.stored_heat_pct) r.c4 = *r.stored_heat_pct <= max_stored_heat;
  r.verdict = decide(r, kind, options);
  complete_verdict(r, kind, options);
}

}  // namespace kalora::analysis
