#include "analysis/analysis_json.h"

#include "core/json_writer.h"

namespace kalora::analysis {

namespace {

using Writer = JsonWriter;

void write_greybox(Writer& w, const ChannelResult& c) {
  w.key("greybox");
  if (!c.greybox) {
    w.null();
    w.key("greybox_reason"), w.string(c.greybox_reason);
    return;
  }
  const GreyboxResult& g = *c.greybox;
  w.open('{');
  w.key("R"), w.number(g.R);
  w.key("U"), w.number(g.U);
  w.key("R_lo"), w.number(g.R_lo);
  w.key("R_hi"), w.number(g.R_hi);
  w.key("capacities"), w.integer(g.capacities);
  w.key("tau_h");
  w.open('[');
  for (const double t : g.tau_h) w.number(t);
  w.close(']');
  w.key("white_p"), w.number(g.white_p);
  w.key("loglik"), w.number(g.loglik);
  w.close('}');
  w.key("greybox_reason"), w.null();
}

void write_channel(Writer& w, const ChannelResult& c) {
  w.open('{');
  w.key("channel"), w.integer(c.channel);
  w.key("records"), w.integer(static_cast<std::int64_t>(c.records()));
  w.key("hours"), w.number(c.hours);
  w.key("q_mean"), w.number(c.q_mean);
  w.key("dT_mean"), w.number(c.dT_mean);
  w.key("res_mean"), w.number(c.res_mean);
  w.key("R"), w.number(c.R);
  w.key("U"), w.number(c.U);
  w.key("R24"), w.number(c.R24);
  w.key("dev24"), w.number(c.dev24);
  w.key("m_days"), w.integer(c.m_days);
  w.key("R_first"), w.number(c.R_first);
  w.key("R_last"), w.number(c.R_last);
  w.key("dev23"), w.number(c.dev23);
  w.key("c1"), w.boolean(c.c1);
  w.key("c2"), w.boolean(c.c2);
  w.key("c3"), w.boolean(c.c3);
  w.key("iso"), w.boolean(c.iso);
  w.key("stored_heat_pct"), w.number(c.stored_heat_pct);
  w.key("c4"), w.boolean(c.c4);
  w.key("dynamic");
  if (c.dynamic) {
    w.open('{');
    w.key("R"), w.number(c.dynamic->R);
    w.key("U"), w.number(c.dynamic->U);
    w.key("tau_h"), w.number(c.dynamic->tau_h);
    w.key("I_rel"), w.number(c.dynamic->I_rel);
    w.key("M"), w.integer(static_cast<std::int64_t>(c.dynamic->M));
    w.key("I_rel_hac"), w.number(c.dynamic->I_rel_hac);
    w.close('}');
    w.key("dynamic_reason"), w.null();
  } else {
    w.null();
    w.key("dynamic_reason"), w.string(c.dynamic_reason);
  }
  write_greybox(w, c);
  w.key("verdict"), w.string(trust_name(c.verdict.trust));
  w.key("verdict_reason"), w.string(c.verdict.reason);
  w.key("R_best"), w.number(c.verdict.R_best);
  w.key("R_best_method");
  if (c.verdict.method.empty())
    w.null();
  else
    w.string(c.verdict.method);
  w.key("R_lo"), w.number(c.verdict.R_lo);
  w.key("R_hi"), w.number(c.verdict.R_hi);
  w.key("days_more"), w.number(c.verdict.days_more);
  w.key("running");
  w.open('[');
  for (std::size_t j = 0; j < c.running.size(); ++j) {
    w.open('[');
    w.number(c.seconds[j]);
    w.number(c.running[j]);
    w.close(']');
  }
  w.close(']');
  w.close('}');
}

void write_wall(Writer& w, const Wall& wall, const AnalysisOptions& options) {
  if (wall.empty()) return w.null();
  w.open('{');
  w.key("layers");
  w.open('[');
  for (const Layer& l : wall.layers) {
    w.open('{');
    w.key("material");
    if (l.material.empty())
      w.null();
    else
      w.string(l.material);
    w.key("thickness_mm"), w.number(l.thickness_mm);
    w.key("lambda"), w.number(l.lambda);
    w.key("rho"), w.number(l.rho);
    w.key("c"), w.number(l.c);
    w.close('}');
  }
  w.close(']');
  w.key("conditions"), w.string(wall.conditions == Conditions::A ? "A" : "B");
  const auto r = wall.resistance();
  w.key("R"), w.number(r);
  w.key("R_o"), w.number(r ? std::optional<double>(options.rsi + *r + options.rse) : std::nullopt);
  w.key("U"), w.number(r ? std::optional<double>(1 / (options.rsi + *r + options.rse)) : std::nullopt);
  const auto capacity = wall.capacity();
  w.key("heat_capacity"), w.number(capacity ? std::optional<double>(*capacity / 1000) : std::nullopt);
  w.close('}');
}

}  // namespace

std::string trust_name(Trust trust) {
  switch (trust) {
    case Trust::reliable:
      return "reliable";
    case Trust::unreliable:
      return "unreliable";
    case Trust::undetermined:
      break;
  }
  return "undetermined";
}

std::string to_json(const Analysis& analysis, const AnalysisOptions& options) {
  Writer w;
  w.open('{');
  w.key("surface"), w.string(surface_key(options.surface));
  w.key("rsi"), w.number(options.rsi);
  w.key("rse"), w.number(options.rse);
  w.key("wall");
  write_wall(w, options.wall, options);
  w.key("series");
  w.open('[');
  for (const SeriesResult& s : analysis.series) {
    w.open('{');
    w.key("index"), w.integer(s.index);
    w.key("kind"), w.integer(s.kind);
    w.key("first"), w.string(clock_text(s.first));
    w.key("last"), w.string(clock_text(s.last));
    w.key("records"), w.integer(static_cast<std::int64_t>(s.records));
    // What was analysed: the span's rows of the series.
    for (const auto& [key, time] : {std::pair{"from", s.from}, std::pair{"to", s.to}}) {
      w.key(key);
      if (s.analysed < 2)
        w.null();
      else
        w.string(clock_text(time));
    }
    w.key("analysed"), w.integer(static_cast<std::int64_t>(s.analysed));
    w.key("channels");
    w.open('[');
    for (const ChannelResult& c : s.channels) write_channel(w, c);
    w.close(']');
    w.close('}');
  }
  w.close(']');
  w.key("skipped"), w.integer(static_cast<std::int64_t>(analysis.skipped));
  w.close('}');
  w.text += '\n';
  return w.text;
}

}  // namespace kalora::analysis
