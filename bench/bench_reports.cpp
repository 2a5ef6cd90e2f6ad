// Building the reports and exporting them to .xls: a full instrument memory of
// each method (105 stationary, 552 probe, 200 heat-flow records) and a table grown
// by many appends (10000 records).
#include <benchmark/benchmark.h>

#include "reports/excel_export.h"

namespace {

using namespace kalora::reports;

MemoryRecordSource records(ReportId id, int count) {
  MemoryRecordSource source;
  for (int i = 1; i <= count; ++i) {
    MemoryRecordSource::Record r{{"N", double(i)},
                                 {"DATE", std::string("01.02.2024")},
                                 {"TIME", std::string("10:20:30")},
                                 {"HEAT", 0.123456 * i},
                                 {"THICK", 20.5},
                                 {"T_UP", 35.25},
                                 {"T_DOWN", 15.75},
                                 {"R", 0.75},
                                 {"Q", 12.5},
                                 {"SHEAT", 1.25},
                                 {"COMMENT", std::string("образец кирпича, партия 12")},
                                 {"MODE_", std::string("Режим измерения")}};
    for (int n = 1; n <= 3 && id >= ReportId::flow; ++n) {
      const std::string k = std::to_string(n);
      r["TYPE_" + k + "_"] = "Преобразователь " + k;
      r["POTOK_" + k] = 5.2 * n;
      r["RES_" + k] = 0.25 * n;
      r["T_IN_" + k] = 20.0 + n;
      r["T_EXT_" + k] = -15.0 - n;
      r["COMMENT_" + k] = "наружная стена " + k;
    }
    source.add(std::move(r));
  }
  return source;
}

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
