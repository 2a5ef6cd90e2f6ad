// The observation analysis: 200 records of three channels (a full instrument
// memory) read from the table and analysed; a table appended over years (10000
// records) the same way; the analysis window opened until its first series shows; and
// the growth of R after each 12 h.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTableWidget>
#include <cstdio>
#include <filesystem>

#include "analysis/analysis_window.h"
#include "analysis/assessment.h"
#include "analysis/r_growth.h"
#include "support/recording_frontend.h"
#include "support/temp_dir.h"
#include "support/wall_series.h"

namespace {

using namespace kalora;

// A heat-flow table of `count` observations of three channels every 20 minutes,
// in series of 200 with a day's pause between them.
struct ObservationTable {
  test::TempDir dir;
  State state;

  explicit ObservationTable(int count) {
    db::DbfTable& t = state.Dbf3;
    t.set_file_name(dir.file("meas.db3"));
    t.create();
    t.open();
    std::int64_t seconds = 0;
    for (int i = 0; i < count; ++i) {
      seconds += i % 200 == 0 && i > 0 ? 86400 : 1200;
      const std::int64_t days = seconds / 86400;
      char date[16];
      char time[16];
      std::snprintf(date, sizeof date, "%02d.%02d.%04d", static_cast<int>(days % 28 + 1),
                    static_cast<int>(days / 28 % 12 + 1), static_cast<int>(2020 + days / 336));
      std::snprintf(time, sizeof time, "%02d:%02d:%02d", static_cast<int>(seconds / 3600 % 24),
                    static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
      t.append();
      t.set_number("MODE", 1);
      t.set_number("MEASUR", 1);
      t.set_text("DATE", date);
      t.set_text("TIME", time);
      for (const char* c : {"1", "2", "3"}) {
        t.set_number(std::string("POTOK_") + c, 9 + i % 7 * 0.3);
        t.set_number(std::string("RES_") + c, 2.7);
        t.set_number(std::string("T_IN_") + c, 18.5 + i % 5 * 0.1);
        t.set_number(std::string("T_EXT_") + c, -6 - i % 11 * 0.4);
      }
      t.post();
    }
  }
};

void BM_analyse(benchmark::State& s) {
  ObservationTable table(static_cast<int>(s.range(0)));
  const analysis::AnalysisOptions options;
  for (auto _ : s) {
    const auto result = analysis::analyse(analysis::read_observations(table.state.Dbf3), options);
    benchmark::DoNotOptimize(result.series.size());
  }
}
BENCHMARK(BM_analyse)->Arg(200)->Arg(10000)->Unit(benchmark::kMillisecond);

// The dynamic method, the stored-heat criterion and the verdict of three channels of
// one series of 20-minute records of a modelled wall: 200 records, and 14 days (1009).
void BM_assess_three_channels(benchmark::State& s) {
  const auto walls = test::model_walls();
  const test::Logged logged = test::simulate(walls[1], {}, static_cast<double>(s.range(0) - 1) / 72, 1);
  analysis::AnalysisOptions options;
  options.wall = test::wall_of(walls[1]);
  const auto channel = analysis::analyse_channel(test::series_of(logged, 1), 1, options);
  for (auto _ : s) {
    for (int c = 0; c < analysis::channel_count; ++c) {
      auto r = *channel;
      analysis::assess(r, 1, options);
      benchmark::DoNotOptimize(r.verdict.R_best);
    }
  }
}
BENCHMARK(BM_assess_three_channels)->Arg(200)->Arg(1009)->Unit(benchmark::kMillisecond);

// The window opened until its first series is shown with its results (the analysis
// goes on beside it), over 200 records and over 10000 in 50 series.
void BM_open_window_first_series(benchmark::State& s) {
  ObservationTable table(static_cast<int>(s.range(0)));
  test::RecordingFrontend frontend;
  for (auto _ : s) {
    analysis::AnalysisWindow window(table.state, frontend, [](const std::function<void()>& h) { h(); });
    window.set_options({});
    window.show();
    while (window.series_list->rowCount() == 0) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    benchmark::DoNotOptimize(window.results->rowCount());
  }
}
BENCHMARK(BM_open_window_first_series)->Arg(200)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// How R settled as the series grew, for one channel of a modelled wall: 3 days (6
// steps) and 14 days (28 steps).
void BM_r_growth(benchmark::State& s) {
  const auto walls = test::model_walls();
  const test::Logged logged = test::simulate(walls[1], {}, static_cast<double>(s.range(0)), 1);
  analysis::AnalysisOptions options;
  options.wall = test::wall_of(walls[1]);
  auto channel = *analysis::analyse_channel(test::series_of(logged, 1), 1, options);
  analysis::assess(channel, 1, options);
  for (auto _ : s) benchmark::DoNotOptimize(analysis::r_growth(channel, options).size());
}
BENCHMARK(BM_r_growth)->Arg(3)->Arg(14)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
