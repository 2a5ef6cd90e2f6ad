// The analysis of observation series against small series worked by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "analysis/average_method.h"
#include "db/table_files.h"

namespace kalora {
namespace {

using analysis::AnalysisOptions;
using analysis::ChannelResult;

constexpr std::int64_t hour = 3600;

struct Row {
  int mode;
  int measur;
  std::string date;  // of the day 01.03.2025 unless another is given
  std::int64_t seconds;
  // channel 1: q, T_IN, T_EXT, RES; nullopt where the field stays empty
  std::optional<double> q, t_in, t_ext, res;
  bool channel2 = false;  // channel 2 gets q 1, ΔT 1
};

// Observation of kind 1 on channel 1 at `seconds` after 01.03.2025 00:00:00.
Row obs(std::int64_t seconds, double q, double dt, int measur = 1) { return {1, measur, "", seconds, q, dt, 0.0, {}}; }

std::string time_of_day(std::int64_t s) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d:%02d:%02d", static_cast<int>(s / 3600 % 24), static_cast<int>(s / 60 % 60),
                static_cast<int>(s % 60));
  return b;
}

std::string date_of(std::int64_t s) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d.03.2025", static_cast<int>(1 + s / 86400));
  return b;
}

struct ChannelExpect {
  int channel;
  std::size_t records;
  double hours;
  std::optional<double> R, U, R24, dev24;
  std::int64_t m_days;
  std::optional<double> R_first, R_last, dev23;
  bool c1;
  std::optional<bool> c2, c3;
  bool iso;
  std::optional<double> res_mean = {};
  std::vector<std::optional<double>> running = {};  // checked when given
};

struct SeriesExpect {
  int kind;
  std::size_t records;
  std::vector<ChannelExpect> channels;
};

struct Case {
  std::string name;
  std::vector<Row> rows;
  AnalysisOptions options;
  std::vector<SeriesExpect> series;
  std::size_t skipped = 0;
};

void expect_value(const char* what, std::optional<double> got, std::optional<double> want) {
  ASSERT_EQ(got.has_value(), want.has_value()) << what;
  if (want) {
    EXPECT_NEAR(*got, *want, 1e-12 * std::max(1.0, std::fabs(*want))) << what;
  }
}

std::vector<Row> hourly(int hours, double q, auto dt_at) {
  std::vector<Row> rows;
  for (int h = 0; h <= hours; ++h) rows.push_back(obs(h * hour, q, dt_at(h)));
  return rows;
}

// The cases are worked with ISO 6946's Rsi + Rse = 0.17; one more with the Russian norms.
AnalysisOptions iso() {
  AnalysisOptions o;
  o.use_surface(analysis::Surface::iso6946);
  return o;
}
const AnalysisOptions defaults = iso();
AnalysisOptions whole_days() {
  AnalysisOptions o = iso();
  o.whole_days = true;
  return o;
}

std::vector<Case> cases() {
  const double u_rk_2 = 1 / (0.13 + 2 + 0.04);
  // Every six hours from 0 to 36 h, ΔT 20..26, q 10.
  std::vector<Row> six_hourly;
  for (int j = 0; j <= 6; ++j) six_hourly.push_back(obs(j * 6 * hour, 10, 20 + j));
  // The last 24 rows of a 73-hour series 6 % above R24.
  const double drift = (2.12 * 740 - 1000) / 24;  // ΔT of the drifting rows: R = 2.12, 6 % above R24 = 2
  // The sensors settle in the first hour (q 30), a window stands open from the 50th.
  std::vector<Row> disturbed;
  for (int h = 0; h <= 73; ++h) disturbed.push_back(obs(h * hour, h < 1 ? 30 : 10, h <= 49 ? 20 : 5));
  const std::int64_t start = *analysis::clock_seconds("01.03.2025", "00:00:00");
  AnalysisOptions settled = iso();  // both ends on a row: both rows belong to the span
  settled.span = {start + hour, start + 49 * hour};
  AnalysisOptions late = iso();
  late.span = {start + 73 * hour, {}};
  AnalysisOptions eleven_days = iso();
  eleven_days.max_gap = 1e6;
  return {
      {"span without the settling hour and the opened-window day",
       disturbed,
       settled,
       {{1, 74, {{1, 49, 48, 2.0, u_rk_2, 2.0, 0.0, 1, 2.0, 2.0, 0.0, false, true, true, false}}}}},
      {"span holding one row of the series: nothing analysed", disturbed, late, {{1, 74, {}}}},
      {"gap equal to max_gap joins, one second more splits",
       {obs(0, 10, 20), obs(21600, 10, 20), obs(43201, 10, 20)},
       defaults,
       {{1, 2, {{1, 2, 6, 2.0, u_rk_2, {}, {}, 0, {}, {}, {}, false, {}, {}, false}}}, {1, 1, {}}}},
      {"a series bridges a day at most, whatever max_gap allows",
       {obs(0, 10, 20), obs(24 * hour, 10, 20), obs(48 * hour + 1, 10, 20)},
       eleven_days,
       {{1, 2, {{1, 2, 24, 2.0, u_rk_2, 2.0, 0.0, 0, {}, {}, {}, false, true, {}, false}}}, {1, 1, {}}}},
      {"kind change, single readings, flux only and a channel with one row",
       {{1, 0, "", 0, 10, 15, 0.0, {}, true},
        {0, 0, "", 300, 10, 15, 0.0, {}},
        {1, 2, "", 400, 10, 15, 0.0, {}},
        obs(600, 20, 25, 0),
        obs(1200, 10, 20),
        obs(1800, 10, 20)},
       defaults,
       {{0, 2, {{1, 2, 600.0 / hour, 40.0 / 30, 30.0 / 40, {}, {}, 0, {}, {}, {}, false, {}, {}, false}}},
        {1, 2, {{1, 2, 600.0 / hour, 2.0, u_rk_2, {}, {}, 0, {}, {}, {}, false, {}, {}, false}}}}},
      {"equal times keep table order; an impossible date is skipped",
       {obs(1000, 1, 3), obs(500, 2, 2), {1, 1, "30.02.2025", 700, 1, 1, 0.0, {}}, obs(1000, 4, 1)},
       defaults,
       {{1,
         3,
         {{1,
           3,
           500.0 / hour,
           6.0 / 7,
           1 / (0.17 + 6.0 / 7),
           {},
           {},
           0,
           {},
           {},
           {},
           false,
           {},
           {},
           false,
           {},
           {1.0, 5.0 / 3, 6.0 / 7}}}}},
       1},
      {"sum of q not above 0 leaves R and U empty; res_mean over stored values",
       {{1, 1, "", 0, 5, 2, 0.0, 1.0}, {1, 1, "", 60, -5, 2, 0.0, {}}},
       defaults,
       {{1, 2, {{1, 2, 60.0 / hour, {}, {}, {}, {}, 0, {}, {}, {}, false, {}, {}, false, 1.0, {0.4, {}}}}}}},
      {"36 hours, whole days off",
       six_hourly,
       defaults,
       {{1,
         7,
         {{1, 7, 36, 161.0 / 70, 1 / (0.17 + 161.0 / 70), 63.0 / 30, (161.0 / 70 - 63.0 / 30) / (63.0 / 30) * 100, 1,
           110.0 / 50, 120.0 / 50, (120.0 / 50 - 110.0 / 50) / (120.0 / 50) * 100, false, false, false, false}}}}},
      {"36 hours through the Russian norms: U = 1/(1/8,7 + Rк + 1/23), the default",
       six_hourly,
       {},
       {{1,
         7,
         {{1, 7, 36, 161.0 / 70, 1 / (1 / 8.7 + 161.0 / 70 + 1 / 23.0), 63.0 / 30,
           (161.0 / 70 - 63.0 / 30) / (63.0 / 30) * 100, 1, 110.0 / 50, 120.0 / 50,
           (120.0 / 50 - 110.0 / 50) / (120.0 / 50) * 100, false, false, false, false}}}}},
      {"36 hours, whole days on: the first 12 hours dropped",
       six_hourly,
       whole_days(),
       {{1,
         7,
         {{1,
           5,
           24,
           120.0 / 50,
           1 / (0.17 + 120.0 / 50),
           2.2,
           (2.4 - 2.2) / 2.2 * 100,
           0,
           {},
           {},
           {},
           false,
           false,
           {},
           false}}}}},
      {"29 hours in uneven steps, whole days on: the row before the 24-hour instant starts the period",
       {obs(0, 10, 20), obs(3 * hour, 10, 21), obs(6 * hour, 10, 22), obs(12 * hour, 10, 23), obs(18 * hour, 10, 24),
        obs(24 * hour, 10, 25), obs(29 * hour, 10, 26)},
       whole_days(),
       {{1,
         7,
         {{1,
           6,
           26,
           2.35,
           1 / (0.17 + 2.35),
           2.1,
           (2.35 - 2.1) / 2.1 * 100,
           0,
           {},
           {},
           {},
           false,
           false,
           {},
           false}}}}},
      {"12 hours, whole days on: less than a day keeps every row",
       {six_hourly[0], six_hourly[1], six_hourly[2]},
       whole_days(),
       {{1, 3, {{1, 3, 12, 63.0 / 30, 1 / (0.17 + 63.0 / 30), {}, {}, 0, {}, {}, {}, false, {}, {}, false}}}}},
      {"73 hours steady: criteria 1-3 pass",
       hourly(73, 10, [](int) { return 20.0; }),
       defaults,
       {{1, 74, {{1, 74, 73, 2.0, u_rk_2, 2.0, 0.0, 2, 2.0, 2.0, 0.0, true, true, true, true}}}}},
      {"73 hours, the last day 6 % higher",
       hourly(73, 10, [&](int h) { return h <= 49 ? 20.0 : drift; }),
       defaults,
       {{1,
         74,
         {{1, 74, 73, 2.12, 1 / (0.17 + 2.12), 2.0, 6.0, 2, 2.0, (500 + 24 * drift) / 490,
           ((500 + 24 * drift) / 490 - 2) / ((500 + 24 * drift) / 490) * 100, true, false, false, false}}}}},
  };
}

TEST(AverageMethod, HandWorkedSeries) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    db::DbfTable table = test::open_new_table(dir, db::potok_schema, "t.db3");
    for (const Row& r : c.rows) {
      table.append();
      table.set_number("MODE", r.mode);
      table.set_number("MEASUR", r.measur);
      table.set_text("DATE", r.date.empty() ? date_of(r.seconds) : r.date);
      table.set_text("TIME", time_of_day(r.seconds));
      table.set_number("POTOK_1", r.q);
      table.set_number("T_IN_1", r.t_in);
      table.set_number("T_EXT_1", r.t_ext);
      table.set_number("RES_1", r.res);
      if (r.channel2)
        for (const auto& [field, v] : {std::pair{"POTOK_2", 1.0}, {"T_IN_2", 1.0}, {"T_EXT_2", 0.0}})
          table.set_number(field, v);
      table.post();
    }
    // The grids' filter must not hide rows from the analysis.
    table.set_filter("MEASUR=2");
    table.set_filtered(true);
    const auto result = analysis::analyse(analysis::read_observations(table), c.options);
    EXPECT_TRUE(table.filtered());
    EXPECT_EQ(result.skipped, c.skipped);
    ASSERT_EQ(result.series.size(), c.series.size());
    for (std::size_t s = 0; s < c.series.size(); ++s) {
      const auto& got = result.series[s];
      const auto& want = c.series[s];
      EXPECT_EQ(got.index, static_cast<int>(s + 1));
      EXPECT_EQ(got.kind, want.kind);
      EXPECT_EQ(got.records, want.records);
      ASSERT_EQ(got.channels.size(), want.channels.size());
      for (std::size_t k = 0; k < want.channels.size(); ++k) {
        const ChannelResult& g = got.channels[k];
        const ChannelExpect& w = want.channels[k];
        EXPECT_EQ(g.channel, w.channel);
        EXPECT_EQ(g.records(), w.records);
        expect_value("hours", g.hours, w.hours);
        expect_value("R", g.R, w.R);
        expect_value("U", g.U, w.U);
        expect_value("R24", g.R24, w.R24);
        expect_value("dev24", g.dev24, w.dev24);
        EXPECT_EQ(g.m_days, w.m_days);
        expect_value("R_first", g.R_first, w.R_first);
        expect_value("R_last", g.R_last, w.R_last);
        expect_value("dev23", g.dev23, w.dev23);
        expect_value("res_mean", g.res_mean, w.res_mean);
        EXPECT_EQ(g.c1, w.c1);
        EXPECT_EQ(g.c2, w.c2);
        EXPECT_EQ(g.c3, w.c3);
        EXPECT_EQ(g.iso, w.iso);
        if (w.running.empty()) continue;
        ASSERT_EQ(g.running.size(), w.running.size());
        for (std::size_t j = 0; j < w.running.size(); ++j) expect_value("running", g.running[j], w.running[j]);
      }
    }
  }
}

}  // namespace
}  // namespace kalora
