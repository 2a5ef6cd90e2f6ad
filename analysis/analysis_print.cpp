#include "analysis/analysis_print.h"

#include <QBuffer>
#include <QChart>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <numeric>

#include "analysis/analysis_pages.h"
#include "analysis/analysis_plots.h"
#include "reports/page_painter.h"
#include "reports/report_commands.h"

namespace kalora::analysis {

namespace {

constexpr double picture_scale = 3;  // pixels per layout unit: 288 dpi on paper

std::shared_ptr<const std::vector<std::uint8_t>> chart_png(const SeriesResult& s, Plot plot, int width, int height) {
  QGraphicsScene scene;
  QChart* chart = make_chart(s, plot).release();
  scene.addItem(chart);  // the scene owns it from here
  chart->setGeometry(0, 0, width, height);
  QImage image(QSize(width, height) * picture_scale, QImage::Format_RGB32);
  image.setDevicePixelRatio(picture_scale);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(0, 0, width, height), QRectF(0, 0, width, height));
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return std::make_shared<const std::vector<std::uint8_t>>(bytes.begin(), bytes.end());
}

}  // namespace

reports::BuiltReport printed_analysis(const Analysis& analysis, const std::vector<std::size_t>& series,
                                      const AnalysisOptions& options, const std::string& db_name) {
  AnalysisPages pages = analysis_pages(analysis, series, options, db_name);
  for (const PlotPlace& p : pages.plots)
    pages.report.pages[p.page].pictures.push_back(
        {p.x, p.y, p.width, p.height, chart_png(analysis.series[p.series], plots[p.plot], p.width, p.height)});
  return std::move(pages.report);
}

void print_analysis(const Analysis& analysis, int series, const AnalysisOptions& options, const std::string& db_name,
                    QWidget* parent) {
  const auto report = printed_analysis(analysis, {static_cast<std::size_t>(series)}, options, db_name);
  reports::print_with_dialog(report, parent);
}

void save_analysis_pdf(const Analysis& analysis, int series, const AnalysisOptions& options, State& state,
                       Frontend& frontend, QWidget*) {
  const std::string name =
      frontend.choose_file({FileDialogRequest::Kind::save, "Файлы PDF|*.pdf", "pdf", state.default_dir});
  if (name.empty()) return;
  const auto report = printed_analysis(analysis, {static_cast<std::size_t>(series)}, options, state.db_name);
  if (const QString error = reports::write_pdf(report, QString::fromStdString(name)); !error.isEmpty())
    frontend.show_error(error.toStdString());
}

std::string write_analysis_pdf_offscreen(const Analysis& analysis, const AnalysisOptions& options,
                                         const std::string& db_name, const std::string& path) {
  std::vector<std::size_t> all(analysis.series.size());
  std::iota(all.begin(), all.end(), std::size_t{0});
  return reports::write_pdf_offscreen([&] { return printed_analysis(analysis, all, options, db_name); }, path);
}

}  // namespace kalora::analysis
