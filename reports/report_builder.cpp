#include "reports/report_builder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

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

// The width of a text in a font, as Arial (or a font with its metrics) draws it,
// rounded up a little: a remark is better given a line too many than cut.
double text_width(std::string_view utf8, const CellFont& font) {
  const double em = font.size_pt * 96.0 / 72.0 * (font.bold ? 1.08 : 1.0);
  double width = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    const std::string_view ch = utf8.substr(i, length);
    i += length;
    double share = 0.8;  // anything not listed below
    if (ch == " " || ch == "." || ch == "," || ch == ";" || ch == ":" || ch == "'" || ch == "!" || ch == "|") {
      share = 0.3;
    } else if (length == 1 && ((ch[0] >= '0' && ch[0] <= '9') || (ch[0] >= 'a' && ch[0] <= 'z'))) {
      share = 0.58;
    } else if (length == 1 && ch[0] >= 'A' && ch[0] <= 'Z') {
      share = 0.75;
    } else if (length == 2 && std::string_view("жшщмюыфЖШЩМЮЫФДЦ").find(ch) != std::string_view::npos) {
      share = 0.92;
    } else if (length == 2 && (byte == 0xD0 || byte == 0xD1)) {
      share = static_cast<unsigned char>(ch[1]) < 0xB0 && byte == 0xD0 ? 0.75 : 0.6;  // А..Я, then а..я
    }
    width += share * em;
  }
  return width * 1.08;
}

// The height a wrapped text needs in a cell of that width: its words laid into lines.
int wrapped_height(std::string_view text, int width, const CellFont& font) {
  const double room = width - 2 * cell_padding;
  const double space = text_width(" ", font);
  int lines = 1;
  double line = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    const double word = text_width(text.substr(at, end - at), font);
    if (line > 0 && line + space + word > room) {
      ++lines;
      line = word;
    } else {
      line += (line > 0 ? space : 0) + word;
    }
    at = end + 1;
  }
  const double line_height = font.size_pt * 96.0 / 72.0 * 1.2;
  return static_cast<int>(std::ceil(lines * line_height + 4));
}

// The rows of a record: each row of the data band (its cells share their top) as high
// as the band says, or as its wrapped remarks need.
struct Rows {
  std::vector<int> tops;             // of the band's rows, in the layout
  std::vector<int> heights;          // for this record
  int place(int layout_top) const {  // the row's top within the record's block
    int y = 0;
    for (std::size_t r = 0; r < tops.size() && tops[r] < layout_top; ++r) y += heights[r];
    return y;
  }
  int height() const { return std::accumulate(heights.begin(), heights.end(), 0); }
};

void replace_all(std::string& text, std::string_view what, std::string_view with) {
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

}  // namespace

PageCell text_cell(int x, int y, int width, int height, std::string text, int size, bool bold, bool framed) {
  PageCell c;
  c.x = x;
  c.y = y;
  c.width = width;
  c.height = height;
  c.text = std::move(text);
  c.font.size_pt = size;
  c.font.bold = bold;
  c.align = Align::left;
  c.wrap = framed;
  if (framed) c.frame = {true, true, true, true};
  return c;
}

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
  Rows rows;
  for (const LayoutCell& c : layout.data.cells)
    if (c.visible && !c.spans_block && std::find(rows.tops.begin(), rows.tops.end(), c.y) == rows.tops.end())
      rows.tops.push_back(c.y);
  std::sort(rows.tops.begin(), rows.tops.end());
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
  std::vector<PageCell> record;
  for (std::size_t i = 0; i < total; ++i) {
    record.clear();
    rows.heights.assign(rows.tops.size(), 0);
    for (const LayoutCell& c : layout.data.cells) {
      if (!c.visible) continue;
      const FieldValue value = records.value(i, c.field);
      PageCell cell = place(c, 0, cell_text(value, c.pattern));
      if (const auto* number = std::get_if<double>(&value); number && std::isfinite(*number)) {
        cell.number = *number;
        cell.number_pattern = c.pattern;
      }
      if (!c.spans_block) {
        const auto r = static_cast<std::size_t>(std::find(rows.tops.begin(), rows.tops.end(), c.y) - rows.tops.begin());
        const int needed = c.wrap && !cell.text.empty() ? wrapped_height(cell.text, c.width, c.font) : 0;
        rows.heights[r] = std::max({rows.heights[r], c.height, needed});
      }
      record.push_back(std::move(cell));
    }
    // Without any row the block is the band's own height.
    const int block = std::max(rows.height(), layout.data.height);
    if (y + block > footer_top && page_has_records) start_page();
    Page& page = report.pages.back();
    std::size_t k = 0;
    for (const LayoutCell& c : layout.data.cells) {
      if (!c.visible) continue;
      PageCell& cell = record[k++];
      if (c.spans_block) {
        cell.y = y;
        cell.height = block;
      } else {
        const auto r = static_cast<std::size_t>(std::find(rows.tops.begin(), rows.tops.end(), c.y) - rows.tops.begin());
        cell.y = y + rows.place(c.y);
        cell.height = rows.heights[r];
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
