// Lays a view's records onto A4 landscape pages: the title on the first page, the
// headings and the page count on every page. The pages hold positioned cells that
// a printer, a preview or the spreadsheet export draws as they are.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reports/record_source.h"
#include "reports/report_layout.h"

namespace kalora::plot {
struct Plot;
}

namespace kalora::reports {

// A4 landscape in layout units (1/96 inch); the band is centred between the margins.
inline constexpr int page_width = 1123;
inline constexpr int page_height = 794;
inline constexpr int page_margin = 26;
// Room kept free at either side of a ruled cell's text.
inline constexpr int cell_padding = 2;

struct PageCell {
  int x = 0;  // from the page's top-left corner
  int y = 0;
  int width = 0;
  int height = 0;
  std::string text;  // UTF-8, Greek letters as such (never Latin letters in a symbol font)
  // A measured value: the number the text shows, and the pattern it is shown by
  // (empty: its shortest stored form).
  std::optional<double> number;
  std::string number_pattern;
  CellFont font;
  Align align = Align::center;
  VAlign valign = VAlign::center;
  bool wrap = false;
  Frame frame;
  bool marked = false;  // drawn on a highlight: found by the preview's search
};

// A picture drawn into its rectangle, scaled: PNG bytes, shared between copies of a page.
struct PagePicture {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  std::shared_ptr<const std::vector<std::uint8_t>> png;
};

// A plot drawn into its rectangle: lines and lettering stay vector on paper and in PDF.
struct PagePlot {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  std::shared_ptr<const plot::Plot> plot;
};

struct Page {
  std::vector<PageCell> cells;
  std::vector<PagePicture> pictures{};  // drawn by printers, previews and PDF; not exported
  std::vector<PagePlot> plots{};        // likewise
};

struct BuiltReport {
  ReportId id = ReportId::stat;
  std::vector<Page> pages;
};

// Told after each record is placed: records done, records in all.
using BuildProgress = std::function<void(std::size_t done, std::size_t total)>;

// Builds from a layout whose before-print settings are made.
BuiltReport build_report(const ReportLayout& layout, const RecordSource& records, const BuildProgress& progress = {});
// The stored layout of `id` with its before-print settings, then built.
BuiltReport build_report(ReportId id, std::uint16_t channel_mask, const RecordSource& records,
                         const BuildProgress& progress = {});

// The text a data cell prints for a field's value.
std::string cell_text(const FieldValue& value, const std::string& pattern);

// A text cell placed by code rather than by a layout: left-aligned; a framed cell
// is ruled on every side and wraps its text.
PageCell text_cell(int x, int y, int width, int height, std::string text, int size, bool bold = false,
                   bool framed = false);

}  // namespace kalora::reports
