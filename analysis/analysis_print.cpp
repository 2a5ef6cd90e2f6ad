#include "analysis/analysis_print.h"

#include <numeric>

#include "analysis/analysis_pages.h"
#include "analysis/analysis_plots.h"
#include "analysis/plot.h"
#include "analysis/r_growth.h"
#include "db/output_name.h"
#include "reports/page_painter.h"
#include "reports/report_commands.h"

namespace kalora::analysis {

reports::BuiltReport printed_analysis(const Analysis& analysis, const std::vector<std::size_t>& series,
                                      const AnalysisOptions& options, const std::string& db_name,
                                      const protocol::Particulars& particulars) {
  AnalysisPages pages = analysis_pages(analysis, series, options, db_name, particulars);
  for (const PlotPlace& p : pages.plots)
    pages.report.pages[p.page].plots.push_back(
        {p.x, p.y, p.width, p.height,
         std::make_shared<const plot::Plot>(make_plot(analysis.series[p.series], series_plots[p.plot]))});
  return std::move(pages.report);
}

void print_analysis(const Analysis& analysis, int series, const AnalysisOptions& options, const std::string& db_name,
                    const protocol::Particulars& particulars, Frontend& frontend, QWidget* parent) {
  const auto report = printed_analysis(analysis, {static_cast<std::size_t>(series)}, options, db_name, particulars);
  reports::print_with_dialog(report, parent, frontend);
}

void save_analysis_pdf(const Analysis& analysis, int series, const AnalysisOptions& options,
                       const protocol::Particulars& particulars, State& state, Frontend& frontend, QWidget*) {
  const std::string name =
      choose_output_file(state, frontend, {FileDialogRequest::Kind::save, "Файлы PDF|*.pdf", "pdf", {}});
  if (name.empty()) return;
  const auto report =
      printed_analysis(analysis, {static_cast<std::size_t>(series)}, options, state.db_name, particulars);
  if (const QString error = reports::write_pdf(report, QString::fromStdString(name)); !error.isEmpty())
    frontend.show_error(error.toStdString());
}

std::string write_analysis_pdf_offscreen(const Analysis& analysis, const AnalysisOptions& options,
                                         const std::string& db_name, const std::string& path,
                                         const protocol::Particulars& particulars) {
  std::vector<std::size_t> all(analysis.series.size());
  std::iota(all.begin(), all.end(), std::size_t{0});
  // The pages show how R settled as each series grew.
  Analysis grown = analysis;
  for (SeriesResult& s : grown.series)
    for (ChannelResult& c : s.channels)
      if (c.growth.empty()) c.growth = r_growth(c, options);
  return reports::write_pdf_offscreen([&] { return printed_analysis(grown, all, options, db_name, particulars); },
                                      path);
}

}  // namespace kalora::analysis
