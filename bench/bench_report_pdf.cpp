// Drawing the reports: a full instrument memory of each method (105 stationary,
// 552 probe, 200 heat-flow records) and a table grown by many appends (10000
// records) built and written as PDF, and one page drawn at screen resolution as
// the preview draws it.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "bench/report_records.h"
#include "reports/page_painter.h"

namespace {

using namespace kalora::reports;
using kalora::bench::records;

// The PDF in memory, so the disk does not enter the timing.
qint64 pdf_size(const BuiltReport& report) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
  QPainter painter(&writer);
  paint_pages(painter, writer, report, 1, static_cast<int>(report.pages.size()));
  painter.end();
  return buffer.size();
}

void BM_build_and_render_pdf(benchmark::State& state) {
  const auto id = static_cast<ReportId>(state.range(0));
  const MemoryRecordSource source = records(id, static_cast<int>(state.range(1)));
  std::size_t pages = 0;
  for (auto _ : state) {
    const BuiltReport report = build_report(id, 7, source);
    pages = report.pages.size();
    benchmark::DoNotOptimize(pdf_size(report));
  }
  state.counters["pages"] = static_cast<double>(pages);
  state.SetItemsProcessed(state.iterations() * state.range(1));
}
BENCHMARK(BM_build_and_render_pdf)
    ->Args({1, 105})
    ->Args({2, 552})
    ->Args({3, 200})
    ->Args({4, 200})
    ->Args({2, 10000})
    ->Args({4, 10000})
    ->Unit(benchmark::kMillisecond);

void BM_paint_screen_page(benchmark::State& state) {
  const auto id = static_cast<ReportId>(state.range(0));
  const BuiltReport report = build_report(id, 7, records(id, 200));
  QImage image(page_width, page_height, QImage::Format_RGB32);
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    paint_page(painter, report.pages[0], image.logicalDpiY());
  }
}
BENCHMARK(BM_paint_screen_page)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Fonts need an application; no screen is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qt_argc = 1;
  const QGuiApplication app(qt_argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
