// Results per sample: a stationary table of 10000 rows naming 500 samples (20 rows
// each, their comments typed with stray spaces and letter case) read from the table
// and grouped with every figure worked out; and the grouping alone on rows at hand.
#include <benchmark/benchmark.h>

#include <string>

#include "sample_stats/sample_groups.h"
#include "support/temp_dir.h"

namespace {

using namespace kalora;

struct StationaryTable {
  test::TempDir dir;
  db::DbfTable table{db::stat_schema};

  StationaryTable(int rows, int samples) {
    table.set_file_name(dir.file("meas.db1"));
    table.create();
    table.open();
    for (int i = 0; i < rows; ++i) {
      const int sample = i % samples;
      const double t = 10 + (i / samples) % 4 * 7.5;  // four mean temperatures
      table.append();
      table.set_number("N", i % 100 + 1);
      table.set_number("HEAT", 0.035 + sample * 0.001 + (i % 7) * 0.0001 + t * 0.0001);
      table.set_number("THICK", 50);
      table.set_number("T_UP", t + 10);
      table.set_number("T_DOWN", t - 10);
      table.set_text("DATE", "14.04.2025");
      table.set_text("TIME", "09:00:00");
      table.set_number("R", 1.3);
      table.set_number("Q", 15);
      std::string comment = "Образец №" + std::to_string(sample);
      if (i % 3 == 1) comment = "  ОБРАЗЕЦ №" + std::to_string(sample);
      table.set_text("COMMENT", comment);
      table.post();
    }
  }
};

void BM_read_and_group(benchmark::State& s) {
  StationaryTable t(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)));
  for (auto _ : s) {
    auto results = samples::sample_groups(samples::read_sample_rows(t.table, samples::Method::stationary),
                                          samples::Method::stationary);
    benchmark::DoNotOptimize(results);
  }
}
BENCHMARK(BM_read_and_group)->Args({10000, 500})->Unit(benchmark::kMillisecond);

void BM_group(benchmark::State& s) {
  StationaryTable t(static_cast<int>(s.range(0)), static_cast<int>(s.range(1)));
  const auto rows = samples::read_sample_rows(t.table, samples::Method::stationary);
  for (auto _ : s) {
    auto results = samples::sample_groups(rows, samples::Method::stationary);
    benchmark::DoNotOptimize(results);
  }
}
BENCHMARK(BM_group)->Args({10000, 500})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
