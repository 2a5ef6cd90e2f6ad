#include "analysis/analysis_json.h"

#include "core/json_writer.h"

namespace kalora::analysis {

namespace {

using Writer = JsonWriter;

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

}  // namespace

std::string to_json(const Analysis& analysis) {
  Writer w;
  w.open('{');
  w.key("series");
  w.open('[');
  for (const SeriesResult& s : analysis.series) {
    w.open('{');
    w.key("index"), w.integer(s.index);
    w.key("kind"), w.integer(s.kind);
    w.key("first"), w.string(clock_text(s.first));
    w.key("last"), w.string(clock_text(s.last));
    w.key("records"), w.integer(static_cast<std::int64_t>(s.records));
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
