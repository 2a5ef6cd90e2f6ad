#include "analysis/analysis_pages.h"

#include <filesystem>

#include "analysis/analysis_plots.h"
#include "analysis/analysis_text.h"
#include "reports/number_format.h"

namespace kalora::analysis {

namespace {

using reports::PageCell;
using reports::text_cell;

constexpr int left = reports::page_margin;
constexpr int usable = reports::page_width - 2 * reports::page_margin;
constexpr int line_height = 18;
constexpr int row_height = 30;  // two lines of a wrapped criterion
constexpr int label_width = 250;
constexpr int signature_room = 60;  // kept free at the foot of a page of plots

std::string settings_line(const AnalysisOptions& o) {
  std::string line = "Наибольший перерыв " + reports::format_number(o.max_gap, "0") + " с";
  if (o.whole_days) line += ", целые сутки";
  return line;
}

// The wall's layers and design values in a sentence; empty for an unknown wall.
std::string wall_summary(const AnalysisOptions& o) {
  std::string layers, design;
  for (const ResultLine& line : wall_lines(o.wall, o)) {
    std::string& into = line.label == "Слой" ? layers : design;
    if (!into.empty()) into += "; ";
    into += line.label == "Слой" ? line.value : line.label + " " + line.value;
  }
  if (layers.empty() && design.empty()) return {};
  return "Стена (изнутри наружу): " + (layers.empty() ? std::string("слои не заданы") : layers) + ". " + design;
}

// The protocol's heading, its particulars and what the analysis follows.
reports::Page head_page(const AnalysisOptions& options, const std::string& base,
                        const protocol::Particulars& particulars) {
  reports::Page page;
  int y = reports::page_margin;
  page.cells.push_back(text_cell(left, y, usable, 26, protocol::protocol_heading(particulars), 14, true));
  y += 30;
  page.cells.push_back(text_cell(left, y, usable, 22,
                                 "Определение сопротивления теплопередаче ограждающей конструкции "
                                 "по результатам измерений тепловых потоков",
                                 12, true));
  y += 30;
  for (const std::string& line : protocol::particulars_lines(particulars)) {
    page.cells.push_back(text_cell(left, y, usable, line_height + 4, line, 11));
    y += line_height + 4;
  }
  y += 10;
  for (const std::string& line :
       {"База данных: " + base, "Методы: " + std::string(methods_title), surface_line(options)}) {
    page.cells.push_back(text_cell(left, y, usable, line_height, line, 10));
    y += line_height;
  }
  return page;
}

// The places for the signatures at the foot of the last page.
void sign(reports::Page& page, const protocol::Particulars& particulars) {
  int y = reports::page_height - reports::page_margin - signature_room + 8;
  for (const std::string& line : protocol::signature_lines(particulars)) {
    page.cells.push_back(text_cell(left, y, usable, line_height + 6, line, 10));
    y += line_height + 8;
  }
}

}  // namespace

AnalysisPages analysis_pages(const Analysis& analysis, const std::vector<std::size_t>& series,
                             const AnalysisOptions& options, const std::string& db_name,
                             const protocol::Particulars& particulars) {
  AnalysisPages out;
  const std::string base = std::filesystem::path(db_name).filename().string();
  out.report.pages.push_back(head_page(options, base, particulars));
  for (const std::size_t index : series) {
    const SeriesResult& s = analysis.series.at(index);
    reports::Page page;
    int y = reports::page_margin;
    page.cells.push_back(text_cell(left, y, usable, 24, "Анализ наблюдений", 14, true));
    y += 28;
    page.cells.push_back(text_cell(left, y, usable, line_height, "База данных: " + base, 10));
    y += line_height;
    page.cells.push_back(text_cell(left, y, usable, line_height, series_title(s), 10, true));
    y += line_height;
    if (const std::string span = span_line(s, options); !span.empty()) {
      page.cells.push_back(text_cell(left, y, usable, line_height, span, 10, true));
      y += line_height;
    }
    page.cells.push_back(text_cell(left, y, usable, line_height, settings_line(options), 10));
    y += line_height;
    page.cells.push_back(text_cell(left, y, usable, line_height, surface_line(options), 10));
    y += line_height + 8;
    page.cells.push_back(text_cell(left, y, usable, line_height, "Методы: " + std::string(methods_title), 10));
    y += line_height;
    page.cells.push_back(text_cell(left, y, usable, line_height, terms_line(), 10));
    y += line_height;
    if (const std::string wall = wall_summary(options); !wall.empty()) {
      PageCell cell = text_cell(left, y, usable, 2 * line_height, wall, 10);
      cell.wrap = true;
      page.cells.push_back(std::move(cell));
      y += 2 * line_height;
    }
    y += 6;
    if (s.channels.empty() && (s.analysed >= 2 || options.span.whole()))
      page.cells.push_back(text_cell(left, y, usable, line_height, "Нет каналов с двумя и более записями", 10));
    // Per channel a column per method, or one across them.
    const int columns = static_cast<int>(s.channels.size());
    const int column_width = columns > 0 ? (usable - label_width) / (method_columns * columns) : 0;
    for (int k = 0; k < columns; ++k) {
      const ChannelResult& c = s.channels[static_cast<std::size_t>(k)];
      const int x = left + label_width + method_columns * k * column_width;
      int row_y = y;
      if (k == 0) page.cells.push_back(text_cell(left, row_y, label_width, line_height, "", 9, true, true));
      page.cells.push_back(
          text_cell(x, row_y, method_columns * column_width, line_height, "Канал " + std::to_string(c.channel), 9, true, true));
      row_y += line_height;
      for (const SideBySideRow& row : side_by_side(c)) {
        const int height = row.both ? row_height : line_height;
        if (k == 0) page.cells.push_back(text_cell(left, row_y, label_width, height, row.label, 9, row.bold, true));
        if (row.both) {
          page.cells.push_back(text_cell(x, row_y, method_columns * column_width, height, row.average, 9, row.bold, true));
        } else {
          page.cells.push_back(text_cell(x, row_y, column_width, height, row.average, 9, false, true));
          page.cells.push_back(text_cell(x + column_width, row_y, column_width, height, row.dynamic, 9, false, true));
          page.cells.push_back(text_cell(x + 2 * column_width, row_y, column_width, height, row.greybox, 9, false, true));
        }
        row_y += height;
      }
    }
    out.report.pages.push_back(std::move(page));

    if (s.channels.empty()) continue;
    reports::Page plots_page;
    plots_page.cells.push_back(
        text_cell(left, reports::page_margin, usable, line_height, series_title(s) + " — графики", 10, true));
    out.report.pages.push_back(std::move(plots_page));
    const int top = reports::page_margin + 28;
    // Two by two, as in the window, and the growth of R across the page below them.
    const int plot_width = (usable - 8) / 2;
    const int plot_height = (reports::page_height - reports::page_margin - signature_room - top - 16) / 3;
    for (int p = 0; p < static_cast<int>(std::size(series_plots)); ++p) {
      const bool wide = p == 4;
      out.plots.push_back({out.report.pages.size() - 1, index, p, left + p % 2 * (plot_width + 8),
                           top + p / 2 * (plot_height + 8), wide ? usable : plot_width, plot_height});
    }
  }
  sign(out.report.pages.back(), particulars);
  return out;
}

}  // namespace kalora::analysis
