#include "reports/excel_export.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "reports/xlsx/xlsx_workbook.h"

namespace kalora::reports {

namespace {

constexpr int twips_per_unit = 15;  // a layout unit is 1/96 inch
constexpr int max_row_twips = 8192;
// A quarter inch all round leaves an A4 landscape sheet 1074 x 790 units to print
// on: room for a report page's 1071 x 742.
constexpr double margin_inches = 0.25;
// Column edges this close are one edge: no column a unit or two wide.
constexpr int column_snap = 2;
// The most an empty row between report cells takes (the space before a footer).
constexpr int spacer_units = 8;

// Cell edges along one axis; a grid line sits at each. Edges within `snap` units
// of the line before them sit on that line.
class Edges {
 public:
  explicit Edges(int snap = 0) : snap_(snap) {}
  void add(int from, int to) {
    edges_.insert(from);
    edges_.insert(to);
  }
  void freeze() {
    all_.assign(edges_.begin(), edges_.end());
    for (const int e : all_) {
      if (lines_.empty() || e - lines_.back() > snap_) lines_.push_back(e);
      line_of_.push_back(lines_.size() - 1);
    }
  }
  std::size_t index(int at) const {
    return line_of_[static_cast<std::size_t>(std::lower_bound(all_.begin(), all_.end(), at) - all_.begin())];
  }
  std::size_t lines() const { return lines_.size(); }
  int span(std::size_t i) const { return lines_[i + 1] - lines_[i]; }

 private:
  int snap_;
  std::set<int> edges_;
  std::vector<int> all_;
  std::vector<std::size_t> line_of_;  // the line each of all_ sits on
  std::vector<int> lines_;
};

// Column width in 1/256 of a digit of the standard font (7 units wide, 5 units of
// padding per column).
std::uint16_t column_width(int units) {
  const double digits = units >= 12 ? (units - 5) / 7.0 : units / 12.0;
  return static_cast<std::uint16_t>(std::lround(digits * 256));
}

std::uint16_t row_height(int units) {
  return static_cast<std::uint16_t>(std::clamp(units * twips_per_unit, 2, max_row_twips));
}

xls::CellStyle style_of(const PageCell& c) {
  xls::CellStyle s;
  s.font = {c.font.family, c.font.size_pt, c.font.bold, false};
  s.horizontal = c.align == Align::left    ? xls::HAlign::left
                 : c.align == Align::right ? xls::HAlign::right
                                           : xls::HAlign::center;
  s.vertical = c.valign == VAlign::top ? xls::VAlign::top : xls::VAlign::center;
  s.wrap = c.wrap;
  return s;
}

xls::Line line(bool drawn) { return drawn ? xls::Line::thin : xls::Line::none; }

struct Placed {
  const PageCell* cell;
  int top;    // on the sheet: pages stacked without their margins
  int width;  // on the sheet
};

// A printed title without rules runs on past its cell; a sheet would clip it at the
// cell's edge, so a left-aligned one reaches to the next cell of its line.
int sheet_width(const Page& page, const PageCell& c) {
  const bool ruled = c.frame.left || c.frame.right || c.frame.top || c.frame.bottom;
  if (ruled || c.align != Align::left || c.text.empty()) return c.width;
  int end = page_margin + band_width;
  for (const PageCell& o : page.cells)
    if (&o != &c && o.x >= c.x + c.width && o.y < c.y + c.height && c.y < o.y + o.height) end = std::min(end, o.x);
  return std::max(c.width, end - c.x);
}

}  // namespace

TfrOLEExcelExport::SheetResult TfrOLEExcelExport::to_sheet(const BuiltReport& report, std::uint32_t sheet_rows) const {
  std::vector<Placed> placed;
  std::vector<int> page_tops;
  Edges columns(column_snap), rows;
  int sheet_top = 0;
  for (const Page& page : report.pages) {
    int first = page_height, last = 0;
    for (const PageCell& c : page.cells) {
      first = std::min(first, c.y);
      last = std::max(last, c.y + c.height);
    }
    if (first > last) continue;
    page_tops.push_back(sheet_top);
    for (const PageCell& c : page.cells) {
      if (c.width <= 0 || c.height <= 0) continue;  // prints nothing
      const int top = sheet_top + c.y - first;
      const int width = sheet_width(page, c);
      placed.push_back({&c, top, width});
      columns.add(c.x, c.x + width);
      rows.add(top, top + c.height);
    }
    sheet_top += last - first;
  }
  columns.freeze();
  rows.freeze();
  SheetResult result;
  if (rows.lines() > std::size_t{sheet_rows} + 1) {  // the last line only closes the last row
    result.error = xls::too_many_rows(sheet_rows);
    return result;
  }

  xls::Sheet& sheet = result.sheet;
  sheet.page.fit_width = true;
  sheet.margins = {margin_inches, margin_inches, margin_inches, margin_inches};
  sheet.page.header_margin_in = 0;
  sheet.page.footer_margin_in = 0;
  for (std::size_t i = 0; i + 1 < columns.lines(); ++i) {
    sheet.column_widths[static_cast<std::uint16_t>(i)] = column_width(columns.span(i));
  }
  for (std::size_t p = 1; p < page_tops.size(); ++p) {
    sheet.page_breaks.push_back(static_cast<std::uint32_t>(rows.index(page_tops[p])));
  }

  const std::size_t grid_cols = columns.lines();
  std::vector<bool> covered(rows.lines());
  std::vector<bool> taken(rows.lines() * grid_cols);
  auto is_taken = [&](std::size_t r, std::size_t k) { return taken[r * grid_cols + k]; };
  for (const Placed& p : placed) {
    const PageCell& c = *p.cell;
    const std::size_t r0 = rows.index(p.top), r1 = rows.index(p.top + c.height) - 1;
    const std::size_t c0 = columns.index(c.x), c_end = columns.index(c.x + p.width);
    if (c_end == c0) continue;  // narrower than a snapped column: nothing to read in it
    const std::size_t c1 = c_end - 1;
    bool free = true;
    for (std::size_t r = r0; r <= r1 && free; ++r) {
      for (std::size_t k = c0; k <= c1 && free; ++k) free = !is_taken(r, k);
    }
    // Report cells never overlap; should two do, the later one keeps its text,
    // unmerged, in its first grid cell when that is still free.
    const std::size_t last_row = free ? r1 : r0, last_col = free ? c1 : c0;
    if (!free && is_taken(r0, c0)) continue;
    for (std::size_t r = r0; r <= r1; ++r) covered[r] = true;
    const xls::CellStyle base = style_of(c);
    for (std::size_t r = r0; r <= last_row; ++r) {
      for (std::size_t k = c0; k <= last_col; ++k) {
        taken[r * grid_cols + k] = true;
        xls::CellStyle s = base;
        s.borders = {line(c.frame.left && k == c0), line(c.frame.right && k == last_col), line(c.frame.top && r == r0),
                     line(c.frame.bottom && r == last_row)};
        const bool anchor = r == r0 && k == c0;
        if (!anchor && s.borders == xls::Borders{}) continue;
        xls::CellValue value;
        if (anchor && c.number) {
          value = *c.number;
          s.number_format = c.number_pattern;
        } else if (anchor && !c.text.empty()) {
          value = c.text;
        }
        if (anchor && std::holds_alternative<std::monostate>(value) && s.borders == xls::Borders{}) continue;
        sheet.cells.push_back({static_cast<std::uint32_t>(r), static_cast<std::uint16_t>(k), value, s});
      }
    }
    if (last_row > r0 || last_col > c0) {
      sheet.merges.push_back({static_cast<std::uint32_t>(r0), static_cast<std::uint32_t>(last_row),
                              static_cast<std::uint16_t>(c0), static_cast<std::uint16_t>(last_col)});
    }
  }
  for (std::size_t i = 0; i + 1 < rows.lines(); ++i) {
    const int units = covered[i] ? rows.span(i) : std::min(rows.span(i), spacer_units);
    sheet.row_heights[static_cast<std::uint32_t>(i)] = row_height(units);
  }
  return result;
}

std::string TfrOLEExcelExport::export_report(const BuiltReport& report, const std::string& path, bool xlsx) const {
  const SheetResult sheet = to_sheet(report, xlsx ? xls::xlsx_rows : xls::xls_rows);
  if (!sheet.error.empty()) return sheet.error;
  return xlsx ? xlsx::save_workbook(sheet.sheet, path) : xls::save_workbook(sheet.sheet, path);
}

}  // namespace kalora::reports
