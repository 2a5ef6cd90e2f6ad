// Building the reports and exporting them to .xls: a full instrument memory of
// each method (105 stationary, 552 probe, 200 heat-flow records) and a table grown
// by many appends (10000 records); then 10000 heat-flow records exported to a file
// of each kind, the disk included.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/report_records.h"
#include "core/file_io.h"
#include "reports/csv_export.h"
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

// Kind 1 .xls, 2 .xlsx (each from the built report), 3 .csv (from the records).
void BM_export_file(benchmark::State& state) {
  const auto id = static_cast<ReportId>(state.range(0));
  const auto kind = state.range(1);
  const MemoryRecordSource source = records(id, 10000);
  const BuiltReport report = build_report(id, 7, source);
  const std::filesystem::path file = std::filesystem::temp_directory_path() / (kind == 1   ? "kalora-bench.xls"
                                                                               : kind == 2 ? "kalora-bench.xlsx"
                                                                                           : "kalora-bench.csv");
  const TfrOLEExcelExport exporter;
  for (auto _ : state) {
    std::string error;
    if (kind == 3) {
      const std::string text = records_csv(source, csv_columns(id, 7));
      error = kalora::replace_file(file.string(), {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    } else {
      error = exporter.export_report(report, file.string(), kind == 2);
    }
    if (!error.empty()) state.SkipWithError(error.c_str());
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
  std::filesystem::remove(file);
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_export_file)->ArgsProduct({{3, 4}, {1, 2, 3}})->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
