#include "reports/report_builder.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "reports/number_format.h"

namespace kalora::reports {

namespace {

// Letters of the Symbol typeface and the Greek letters it draws for them.
constexpr std::array<std::string_view, 26> symbol_letters{"α", "β", "χ", "δ", "ε", "φ", "γ", "η", "ι",
                                                          "ϕ", "κ", "λ", "μ", "ν", "ο", "π", "θ", "ρ",
                                                          "σ", "τ", "υ", "ϖ", "ω", "ξ", "ψ", "ζ"};

// A text of the Symbol typeface in Unicode, so that any font prints it.
std::string greek(std::string_view latin) {
  std::string out;
  for (const char ch : latin) {
    if (ch >= 'a' && ch <= 'z') {
      out += symbol_letters[static_cast<std::size_t>(ch - 'a')];
    } else {
      out += ch;
    }
  }
  return out;
}

PageCell place(const LayoutCell& c, int band_top, std::string text) {
  PageCell p;
  p.x = page_margin + c.x;
  p.y = band_top + c.y;
  p.width = c.width;
  p.height = c.height;
  p.font = c.font;
  if (p.font.family == "Symbol") {
    text = greek(text);
    p.font.family = "Arial";
  }
  p.text = std::move(text);
  p.align = c.align;
  p.valign = c.valign;
  p.wrap = c.wrap;
  p.frame = c.frame;
  return p;
}

void place_band(Page& page, const Band& band, int top) {
  for (const LayoutCell& c : band.cells) {
    if (c.visible) page.cells.push_back(place(c, top, c.text));
  }
}

// The height a record takes: the data band, stretched so that a channel row
// below a shortened block (channel 3 without channel 2) neither overlaps the next
// record nor is cut off.
int block_height(const Band& data) {
  int height = data.height;
  for (const LayoutCell& c : data.cells) {
    if (c.visible && !c.spans_block) height = std::max(height, c.y + c.height);
  }
  return height;
}

void replace_all(std::string& text, std::string_view what, std::string_view with) {
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

}  // namespace

std::string cell_text(const FieldValue& value, const std::string& pattern) {
  if (const auto* number = std::get_if<double>(&value)) return format_number(*number, pattern);
  if (const auto* text = std::get_if<std::string>(&value)) {
    // Text fields come blank-padded to their width.
    return text->substr(0, text->find_last_not_of(' ') + 1);
  }
  return {};
}

BuiltReport build_report(const ReportLayout& layout, const RecordSource& records, const BuildProgress& progress) {
  BuiltReport report;
  report.id = layout.id;
  const int block = block_height(layout.data);
  const int footer_top = page_height - page_margin - layout.footer.height;
  const std::size_t total = records.count();

  int y = 0;
  bool page_has_records = false;
  auto start_page = [&] {
    report.pages.emplace_back();
    y = page_margin;
    if (report.pages.size() == 1) {
      place_band(report.pages.back(), layout.title, y);
      y += layout.title.height;
    }
    place_band(report.pages.back(), layout.header, y);
    y += layout.header.height;
    page_has_records = false;
  };

  start_page();
  for (std::size_t i = 0; i < total; ++i) {
    if (y + block > footer_top && page_has_records) start_page();
    Page& page = report.pages.back();
    for (const LayoutCell& c : layout.data.cells) {
      if (!c.visible) continue;
      const FieldValue value = records.value(i, c.field);
      PageCell cell = place(c, y, cell_text(value, c.pattern));
      if (c.spans_block) cell.height = block;
      if (const auto* number = std::get_if<double>(&value); number && std::isfinite(*number)) {
        cell.number = *number;
        cell.number_pattern = c.pattern;
      }
      page.cells.push_back(std::move(cell));
    }
    y += block;
    page_has_records = true;
    if (progress) progress(i + 1, total);
  }

  // Second pass: the page count is known now.
  const std::string count = std::to_string(report.pages.size());
  for (std::size_t p = 0; p < report.pages.size(); ++p) {
    const std::size_t first_footer_cell = report.pages[p].cells.size();
    place_band(report.pages[p], layout.footer, footer_top);
    for (std::size_t k = first_footer_cell; k < report.pages[p].cells.size(); ++k) {
      std::string& text = report.pages[p].cells[k].text;
      replace_all(text, "[PAGE#]", std::to_string(p + 1));
      replace_all(text, "[TOTALPAGES]", count);
    }
  }
  return report;
}

BuiltReport build_report(ReportId id, std::uint16_t channel_mask, const RecordSource& records,
                         const BuildProgress& progress) {
  ReportLayout layout = report_layout(id);
  before_print(layout, channel_mask);
  return build_report(layout, records, progress);
}

}  // namespace kalora::reports
