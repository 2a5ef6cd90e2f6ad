// Building the reports and exporting them to .xls: a full instrument memory of
// each method (105 stationary, 552 probe, 200 heat-flow records) and a table grown
// by many appends (10000 records).
#include <benchmark/benchmark.h>

#include "bench/report_records.h"
#include "reports/excel_export.h"

namespace {

using namespace kalora::reports;
using kalora::bench::records;

void BM_build_report(benchmark::State& state) {
  const auto id = static_cast<ReportId>(state.range(0));
  const MemoryRecordSource source = records(id, static_cast<int>(state.range(1)));
  for (auto _ : state) benchmark::DoNotOptimize(build_report(id, 7, source));
  state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_build_report)
    ->Args({1, 105})
    ->Args({2, 552})
    ->Args({3, 200})
    ->Args({4, 200})
    ->Args({2, 10000})
    ->Args({4, 10000})
    ->Unit(benchmark::kMillisecond);

void BM_export_xls(benchmark::State& state) {
  const auto id = static_cast<ReportId>(state.range(0));
  const BuiltReport report = build_report(id, 7, records(id, static_cast<int>(state.range(1))));
  const TfrOLEExcelExport exporter;
  for (auto _ : state) {
    const auto sheet = exporter.to_sheet(report);
    benchmark::DoNotOptimize(kalora::xls::build_workbook(sheet.sheet));
  }
  state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_export_xls)
    ->Args({1, 105})
    ->Args({2, 552})
    ->Args({4, 200})
    ->Args({2, 10000})
    ->Args({4, 10000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
