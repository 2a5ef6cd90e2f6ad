// kalora-cli analyze: the JSON document read back by Python's json module against
// the analysis the program makes of the same database; refusals and usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "analysis/analysis_json.h"
#include "analysis/average_method.h"
#include "db/container.h"
#include "support/recording_frontend.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace kalora {
namespace {

using analysis::AnalysisOptions;

test::RunResult cli(const std::vector<std::string>& args) { return test::run_program(KALORA_CLI, args); }

// The lines flatten_json.py prints for the analysis, built from the program's results.
class Flat {
 public:
  std::string text;
  void line(const std::string& path, const std::string& value) { text += path + ' ' + value + '\n'; }
  void number(const std::string& path, std::optional<double> v) {
    if (!v) return line(path, "null");
    char b[40];
    // Whole numbers read back as integers.
    if (*v == std::floor(*v) && std::fabs(*v) < 1e15)
      std::snprintf(b, sizeof b, "%.0f", *v);
    else
      std::snprintf(b, sizeof b, "%.17g", *v);
    line(path, b);
  }
  void boolean(const std::string& path, std::optional<bool> v) { line(path, !v ? "null" : *v ? "true" : "false"); }
};

std::string expected_lines(const std::string& db, const AnalysisOptions& options) {
  State state;
  test::RecordingFrontend frontend;
  EXPECT_EQ(Open_DB(state, frontend, db), DbResult::ok);
  const auto a = analysis::analyse(analysis::read_observations(state.Dbf3), options);
  Close_DB(state, frontend);
  Flat f;
  f.line("surface", std::string(analysis::surface_key(options.surface)));
  f.number("rsi", options.rsi);
  f.number("rse", options.rse);
  const analysis::Wall& wall = options.wall;
  if (wall.empty()) {
    f.line("wall", "null");
  } else {
    f.line("wall.layers", "[" + std::to_string(wall.layers.size()) + "]");
    for (std::size_t i = 0; i < wall.layers.size(); ++i) {
      const auto& l = wall.layers[i];
      const std::string p = "wall.layers[" + std::to_string(i) + "].";
      f.line(p + "material", l.material.empty() ? "null" : l.material);
      f.number(p + "thickness_mm", l.thickness_mm);
      f.number(p + "lambda", l.lambda);
      f.number(p + "rho", l.rho);
      f.number(p + "c", l.c);
    }
    f.line("wall.conditions", wall.conditions == analysis::Conditions::A ? "A" : "B");
    const auto r = wall.resistance();
    f.number("wall.R", r);
    f.number("wall.R_o", r ? std::optional(options.rsi + *r + options.rse) : std::nullopt);
    f.number("wall.U", r ? std::optional(1 / (options.rsi + *r + options.rse)) : std::nullopt);
    const auto capacity = wall.capacity();
    f.number("wall.heat_capacity", capacity ? std::optional(*capacity / 1000) : std::nullopt);
  }
  f.line("series", "[" + std::to_string(a.series.size()) + "]");
  for (std::size_t i = 0; i < a.series.size(); ++i) {
    const auto& s = a.series[i];
    const std::string p = "series[" + std::to_string(i) + "].";
    f.line(p + "index", std::to_string(s.index));
    f.line(p + "kind", std::to_string(s.kind));
    f.line(p + "first", analysis::clock_text(s.first));
    f.line(p + "last", analysis::clock_text(s.last));
    f.line(p + "records", std::to_string(s.records));
    f.line(p + "from", s.analysed < 2 ? "null" : analysis::clock_text(s.from));
    f.line(p + "to", s.analysed < 2 ? "null" : analysis::clock_text(s.to));
    f.line(p + "analysed", std::to_string(s.analysed));
    f.line(p + "channels", "[" + std::to_string(s.channels.size()) + "]");
    for (std::size_t k = 0; k < s.channels.size(); ++k) {
      const auto& c = s.channels[k];
      const std::string q = p + "channels[" + std::to_string(k) + "].";
      f.line(q + "channel", std::to_string(c.channel));
      f.line(q + "records", std::to_string(c.records()));
      const std::pair<const char*, std::optional<double>> before[] = {
          {"hours", c.hours}, {"q_mean", c.q_mean}, {"dT_mean", c.dT_mean}, {"res_mean", c.res_mean},
          {"R", c.R},         {"U", c.U},           {"R24", c.R24},         {"dev24", c.dev24}};
      for (const auto& [key, v] : before) f.number(q + key, v);
      f.line(q + "m_days", std::to_string(c.m_days));
      const std::pair<const char*, std::optional<double>> after[] = {
          {"R_first", c.R_first}, {"R_last", c.R_last}, {"dev23", c.dev23}};
      for (const auto& [key, v] : after) f.number(q + key, v);
      const std::pair<const char*, std::optional<bool>> criteria[] = {
          {"c1", c.c1}, {"c2", c.c2}, {"c3", c.c3}, {"iso", c.iso}};
      for (const auto& [key, v] : criteria) f.boolean(q + key, v);
      f.number(q + "stored_heat_pct", c.stored_heat_pct);
      f.boolean(q + "c4", c.c4);
      if (c.dynamic) {
        const auto& d = *c.dynamic;
        const std::pair<const char*, double> dynamic[] = {
            {"R", d.R}, {"U", d.U}, {"tau_h", d.tau_h}, {"I_rel", d.I_rel}, {"M", static_cast<double>(d.M)}};
        for (const auto& [key, v] : dynamic) f.number(q + "dynamic." + key, v);
        f.number(q + "dynamic.I_rel_hac", d.I_rel_hac);
        f.line(q + "dynamic_reason", "null");
      } else {
        f.line(q + "dynamic", "null");
        f.line(q + "dynamic_reason", c.dynamic_reason);
      }
      if (c.greybox) {
        const auto& g = *c.greybox;
        const std::pair<const char*, double> greybox[] = {{"R", g.R}, {"U", g.U}, {"R_lo", g.R_lo}, {"R_hi", g.R_hi},
                                                          {"capacities", g.capacities}};
        for (const auto& [key, v] : greybox) f.number(q + "greybox." + key, v);
        f.line(q + "greybox.tau_h", "[" + std::to_string(g.tau_h.size()) + "]");
        for (std::size_t t = 0; t < g.tau_h.size(); ++t) f.number(q + "greybox.tau_h[" + std::to_string(t) + "]", g.tau_h[t]);
        f.number(q + "greybox.white_p", g.white_p);
        f.number(q + "greybox.loglik", g.loglik);
        f.line(q + "greybox_reason", "null");
      } else {
        f.line(q + "greybox", "null");
        f.line(q + "greybox_reason", c.greybox_reason);
      }
      f.line(q + "verdict", analysis::trust_name(c.verdict.trust));
      f.line(q + "verdict_reason", c.verdict.reason);
      f.number(q + "R_best", c.verdict.R_best);
      f.line(q + "R_best_method", c.verdict.method.empty() ? "null" : c.verdict.method);
      for (const auto& [key, v] : {std::pair{"R_lo", c.verdict.R_lo}, {"R_hi", c.verdict.R_hi}, {"days_more", c.verdict.days_more}})
        f.number(q + key, v);
      f.line(q + "running", "[" + std::to_string(c.running.size()) + "]");
      for (std::size_t j = 0; j < c.running.size(); ++j) {
        const std::string r = q + "running[" + std::to_string(j) + "]";
        f.line(r, "[2]");
        f.number(r + "[0]", c.seconds[j]);
        f.number(r + "[1]", c.running[j]);
      }
    }
  }
  f.line("skipped", std::to_string(a.skipped));
  return f.text;
}

std::string flattened(const std::string& json, const test::TempDir& dir) {
  const std::string path = dir.file("out.json");
  test::write_bytes(path, {json.begin(), json.end()});
  const auto r = test::run_program(
      "sh", {"-c", std::string("\"$0\" \"$1\" < \"$2\""), KALORA_PYTHON, KALORA_FLATTEN_SCRIPT, path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return r.out;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(CliAnalyze, JsonReadsBackAsTheAnalysis) {
  KALORA_NEEDS_LINUX_TOOL("sh and python3");
  test::TempDir dir;
  const std::string db = dir.file("wall.db");
  ASSERT_EQ(cli({"bin2db", std::string(KALORA_SAMPLES) + "/wall.bin", db}).exit_code, 0);
  const std::string flow = dir.file("flow.db");
  ASSERT_EQ(cli({"bin2db", std::string(KALORA_SAMPLES) + "/flow.bin", flow}).exit_code, 0);

  struct Run {
    std::string db;
    std::vector<std::string> options;
    AnalysisOptions expected;
  };
  AnalysisOptions whole;
  whole.whole_days = true;
  whole.surface = analysis::Surface::custom;
  whole.rsi = 0.1;
  whole.rse = 0.05;
  AnalysisOptions iso;
  iso.use_surface(analysis::Surface::iso6946);
  AnalysisOptions sp50_rse = iso;  // the default's Rsi, ISO's Rse: the user's own
  sp50_rse.surface = analysis::Surface::custom;
  sp50_rse.rsi = 1 / 8.7;
  AnalysisOptions short_gap;
  short_gap.max_gap = 1320;  // the wall's logging interval: one series still
  AnalysisOptions shorter_gap;
  shorter_gap.max_gap = 1319;  // every record a series of its own, none with channels
  AnalysisOptions layered;
  layered.wall.layers = analysis::parse_layers("кирпич керамический:380,0.04/35/1500:100.5,0.7:20").layers;
  AnalysisOptions layered_a = layered;
  layered_a.wall.set_conditions(analysis::Conditions::A);
  AnalysisOptions span;  // the first hour and the last day left out
  span.span = {analysis::span_time("10.02.2025 13:10"), analysis::span_time("12.02.2025 13:12")};
  AnalysisOptions capacity;
  capacity.wall.heat_capacity = 250e3;
  const std::vector<Run> runs{
      {db, {}, {}},
      {db, {"--layers", "кирпич керамический:380,0.04/35/1500:100.5,0.7:20"}, layered},
      {db, {"--conditions", "A", "--layers", "кирпич керамический:380,0.04/35/1500:100.5,0.7:20"}, layered_a},
      {db, {"--heat-capacity", "250"}, capacity},
      {db, {"--from", "10.02.2025 13:10", "--to", "12.02.2025 13:12"}, span},
      {db, {"--whole-days", "--rsi", "0.1", "--rse", "0.05"}, whole},
      {db, {"--surface", "iso6946"}, iso},
      {db, {"--rse", "0.04", "--surface", "sp50"}, sp50_rse},
      {db, {"--surface", "sp50", "--rsi", "0.13", "--rse", "0.04"}, iso},
      {db, {"--max-gap", "1320"}, short_gap},
      {db, {"--max-gap", "1319"}, shorter_gap},
      {flow, {}, {}},
  };
  for (const Run& run : runs) {
    std::vector<std::string> args{"analyze", run.db};
    args.insert(args.end(), run.options.begin(), run.options.end());
    args.push_back("--json");
    const auto r = cli(args);
    SCOPED_TRACE(args.back());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const auto got = lines_of(flattened(r.out, dir));
    const auto want = lines_of(expected_lines(run.db, run.expected));
    const auto [g, w] = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
    EXPECT_TRUE(g == got.end() && w == want.end())
        << "read back: " << (g == got.end() ? "(end)" : *g) << "\nexpected: " << (w == want.end() ? "(end)" : *w);
    // The span's rows only, every 22 minutes: the 4th to the 135th, both ends on a row.
    if (run.expected.span.from) {
      for (const char* line : {"series[0].from 10.02.2025 13:10:00", "series[0].to 12.02.2025 13:12:00",
                               "series[0].analysed 132", "series[0].channels[0].records 132"})
        EXPECT_NE(std::find(got.begin(), got.end(), line), got.end()) << line;
    }
  }
  // The sample wall is one three-day series whose two channels meet criteria 1-3.
  const auto text = cli({"analyze", db});
  EXPECT_EQ(text.exit_code, 0);
  EXPECT_NE(text.out.find("Серия 1: Rк, 10.02.2025 12:04:00 – 13.02.2025 13:02:00, записей 200"), std::string::npos)
      << text.out;
  EXPECT_EQ(text.out.find("Серия 2"), std::string::npos);
}

TEST(CliAnalyze, RefusalsAndUsage) {
  test::TempDir dir;
  const std::string stat = dir.file("stat.db");
  ASSERT_EQ(cli({"bin2db", std::string(KALORA_SAMPLES) + "/stat.bin", stat}).exit_code, 0);
  const auto refused = cli({"analyze", stat, "--json"});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_EQ(refused.err, "В базе данных нет таблицы теплового потока\n");
  EXPECT_TRUE(refused.out.empty());
  const std::vector<std::vector<std::string>> wrong{
      {"analyze", stat, "--max-gap"},
      {"analyze", stat, "--max-gap", "6h"},
      {"analyze", stat, "--max-gap", "86401"},
      {"analyze", stat, "--rsi", "-0.1"},
      {"analyze", stat, "--json", "--pdf", dir.file("a.pdf")},
      {"analyze", stat, "--colour"},
      {"analyze", dir.file("missing.db")},
      {"analyze", stat, "--layers", "кирпич:380"},
      {"analyze", stat, "--heat-capacity", "0"},
      {"analyze", stat, "--surface", "custom"},
      {"analyze", stat, "--surface", "SP50"},
      {"analyze", stat, "--conditions", "C"},
      {"analyze", stat, "--from", "10.02.2025"},
      {"analyze", stat, "--from", "31.02.2025 10:00"},
      {"analyze", stat, "--from", "02.01.2025 00:00", "--to", "01.01.2025 23:59"},
  };
  for (const auto& args : wrong) EXPECT_EQ(cli(args).exit_code, 2) << args.back();
}

}  // namespace
}  // namespace kalora
