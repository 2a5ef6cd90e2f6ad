#include "reports/xls/workbook.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>

#include "core/file_io.h"
#include "reports/xls/compound_file.h"

namespace kalora::xls {

namespace {

constexpr std::size_t max_columns = 256;
constexpr std::size_t max_cell_text = 32767;
constexpr std::size_t max_header_text = 255;
constexpr std::size_t max_sheet_name = 31;
constexpr std::uint16_t style_xf_count = 15;
constexpr std::uint16_t default_cell_xf = 15;
constexpr std::size_t rows_per_block = 32;

// Palette indexes 8 and up. Black stays first for the frame lines; the colours a
// sheet asks for replace entries from index 10 on.
constexpr std::array<std::uint32_t, 56> standard_palette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000,
    0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF,
    0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000,
    0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696, 0x003366, 0x339966,
    0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
constexpr std::uint8_t first_palette_index = 8;
constexpr std::size_t first_free_colour = 2;

// Fonts, colours and cell formats in the order the sheet first uses them.
class StyleTable {
 public:
  // The cell format index of `style`, adding it (and its font and colour) when new.
  std::optional<std::uint16_t> xf_for(const CellStyle& style) {
    const auto known = xfs_.find(style);
    if (known != xfs_.end()) return known->second;
    XfFields fields;
    fields.font_index = font_for(style.font);
    fields.horizontal = style.horizontal;
    fields.vertical = style.vertical;
    fields.wrap = style.wrap;
    fields.borders = style.borders;
    if (!style.number_format.empty()) fields.format_index = format_for(style.number_format);
    if (style.fill_rgb) {
      const auto colour = colour_for(*style.fill_rgb);
      if (!colour) return std::nullopt;
      fields.fill_colour = colour;
    }
    const auto index = static_cast<std::uint16_t>(default_cell_xf + 1 + order_.size());
    if (index > 4000) return std::nullopt;
    order_.push_back(fields);
    xfs_.emplace(style, index);
    return index;
  }

  void write(ByteWriter& w) const {
    // The four standard fonts come first; font index 4 does not exist, so the
    // sheet's own fonts are numbered from 5.
    for (int i = 0; i < 4; ++i) w.append(font(Font{}));
    for (const Font& f : fonts_) w.append(font(f));
    for (std::size_t i = 0; i < formats_.size(); ++i) {
      w.append(number_format(static_cast<std::uint16_t>(first_custom_format + i), utf8_to_utf16(formats_[i])));
    }
    for (std::uint16_t i = 0; i < style_xf_count; ++i) {
      XfFields style_fields;
      style_fields.style_xf = true;
      style_fields.attributes = i == 0 ? 0x00 : 0xF4;  // the extra styles leave every attribute to the cell
      w.append(xf(style_fields));
    }
    w.append(xf(XfFields{}));
    for (const XfFields& f : order_) w.append(xf(f));
    w.append(style_normal());
    w.append(palette(colours_));
  }

 private:
  std::uint16_t font_for(const Font& f) {
    const auto known = font_index_.find(f);
    if (known != font_index_.end()) return known->second;
    const auto index = static_cast<std::uint16_t>(5 + fonts_.size());
    fonts_.push_back(f);
    font_index_.emplace(f, index);
    return index;
  }

  std::uint16_t format_for(const std::string& code) {
    const auto known = std::find(formats_.begin(), formats_.end(), code);
    const auto at = static_cast<std::size_t>(known - formats_.begin());
    if (known == formats_.end()) formats_.push_back(code);
    return static_cast<std::uint16_t>(first_custom_format + at);
  }

  std::optional<std::uint8_t> colour_for(std::uint32_t rgb) {
    rgb &= 0xFFFFFF;
    for (std::size_t i = 0; i < used_colours_; ++i) {
      if (colours_[i] == rgb) return static_cast<std::uint8_t>(first_palette_index + i);
    }
    if (used_colours_ == colours_.size()) return std::nullopt;
    colours_[used_colours_] = rgb;
    return static_cast<std::uint8_t>(first_palette_index + used_colours_++);
  }

  std::vector<Font> fonts_;
  std::map<Font, std::uint16_t> font_index_;
  std::vector<std::string> formats_;  // few: one per number pattern of a report
  std::vector<std::uint32_t> colours_{standard_palette.begin(), standard_palette.end()};
  std::size_t used_colours_ = first_free_colour;
  std::map<CellStyle, std::uint16_t> xfs_;
  std::vector<XfFields> order_;
};

struct PlacedCell {
  const SheetCell* cell;
  std::uint16_t xf;
  std::uint32_t string_index;
};

struct Strings {
  std::vector<std::u16string> unique;
  std::map<std::u16string, std::uint32_t> index;
  std::uint32_t uses = 0;

  std::uint32_t add(std::u16string text) {
    ++uses;
    const auto [it, added] = index.emplace(std::move(text), static_cast<std::uint32_t>(unique.size()));
    if (added) unique.push_back(it->first);
    return it->second;
  }
};

// The cells in row-major order, the last of two for one place winning.
std::vector<const SheetCell*> ordered_cells(const Sheet& sheet) {
  std::vector<const SheetCell*> cells;
  cells.reserve(sheet.cells.size());
  for (const SheetCell& c : sheet.cells) cells.push_back(&c);
  std::stable_sort(cells.begin(), cells.end(), [](const SheetCell* a, const SheetCell* b) {
    return std::pair(a->row, a->col) < std::pair(b->row, b->col);
  });
  std::vector<const SheetCell*> unique;
  for (const SheetCell* c : cells) {
    if (!unique.empty() && unique.back()->row == c->row && unique.back()->col == c->col) {
      unique.back() = c;
    } else {
      unique.push_back(c);
    }
  }
  return unique;
}

std::string check_sheet(const Sheet& sheet) {
  const std::string too_large = "Отчёт не помещается на лист книги Excel: ";
  if (last_row(sheet) >= xls_rows) return too_many_rows(xls_rows);
  for (const SheetCell& c : sheet.cells) {
    if (c.col >= max_columns) return too_large + "больше 256 столбцов";
    // UTF-16 never needs more units than UTF-8 has bytes: only long texts are measured.
    const auto* text = std::get_if<std::string>(&c.value);
    if (text && text->size() > max_cell_text && utf8_to_utf16(*text).size() > max_cell_text) {
      return too_large + "текст ячейки длиннее 32767 знаков";
    }
  }
  for (const Range& r : sheet.merges) {
    if (r.first_row > r.last_row || r.first_col > r.last_col || r.last_col >= max_columns) {
      return too_large + "неверная область объединения";
    }
  }
  if (utf8_to_utf16(sheet.header).size() > max_header_text || utf8_to_utf16(sheet.footer).size() > max_header_text) {
    return too_large + "колонтитул длиннее 255 знаков";
  }
  if (sheet.page_breaks.size() > max_page_breaks) return too_large + "больше 1026 страниц";
  if (!std::is_sorted(sheet.page_breaks.begin(), sheet.page_breaks.end()))
    return too_large + "неверные разрывы страниц";
  const std::u16string name = utf8_to_utf16(sheet.name);
  if (name.empty() || name.size() > max_sheet_name) return too_large + "неверное имя листа";
  return {};
}

// A column's width as the file stores it: in the same unit as the sheet's, with
// the 5 pixels of padding on each column counted in (a digit is 7 pixels wide).
std::uint16_t stored_column_width(std::uint16_t width) {
  const double pixels = width < 256 ? width * 12.0 / 256 : width * 7.0 / 256 + 5;
  return static_cast<std::uint16_t>(std::min(65535.0, std::round(pixels * 256 / 7)));
}

void write_sheet_settings(ByteWriter& w, const Sheet& sheet) {
  namespace rt = record_type;
  w.append(word_record(rt::calc_mode, 1));  // automatic
  w.append(word_record(rt::calc_count, 100));
  w.append(word_record(rt::ref_mode, 1));  // A1 references
  w.append(word_record(rt::iteration, 0));
  w.append(double_record(rt::delta, 0.001));
  w.append(word_record(rt::save_recalc, 1));
  w.append(word_record(rt::print_headers, 0));
  w.append(word_record(rt::print_gridlines, 0));  // the report's frames are its only lines on paper
  w.append(word_record(rt::gridset, 1));
  w.append(record(rt::guts, ByteVector(8, 0)));
  w.append(record(rt::default_row_height, {0, 0, 0xFF, 0}));
  // Outline symbols, automatic page breaks, and fitting to the page when asked.
  w.append(word_record(rt::wsbool, sheet.page.fit_width ? 0x05C1 : 0x04C1));
  w.append(horizontal_page_breaks(std::vector<std::uint16_t>(sheet.page_breaks.begin(), sheet.page_breaks.end())));
  w.append(header_footer(rt::header, utf8_to_utf16(sheet.header)));
  w.append(header_footer(rt::footer, utf8_to_utf16(sheet.footer)));
  w.append(word_record(rt::hcenter, 0));
  w.append(word_record(rt::vcenter, 0));
  w.append(double_record(rt::left_margin, sheet.margins.left));
  w.append(double_record(rt::right_margin, sheet.margins.right));
  w.append(double_record(rt::top_margin, sheet.margins.top));
  w.append(double_record(rt::bottom_margin, sheet.margins.bottom));
  w.append(setup(sheet.page));
  w.append(word_record(rt::default_col_width, 8));
  for (const auto& [col, width] : sheet.column_widths) {
    w.append(colinfo(col, col, stored_column_width(width), default_cell_xf));
  }
}

void write_cell(ByteWriter& w, const PlacedCell& p) {
  const SheetCell& c = *p.cell;
  const auto row = static_cast<std::uint16_t>(c.row);  // checked: the sheet fits
  if (std::holds_alternative<std::string>(c.value)) {
    w.append(labelsst(row, c.col, p.xf, p.string_index));
  } else if (const auto* value = std::get_if<double>(&c.value)) {
    w.append(number(row, c.col, p.xf, *value));
  } else {
    w.append(blank(row, c.col, p.xf));
  }
}

// Rows come in blocks of 32: the blocks' row records, then their cells.
void write_cell_table(ByteWriter& w, const Sheet& sheet, const std::vector<PlacedCell>& cells) {
  std::map<std::uint32_t, std::pair<std::uint16_t, std::uint16_t>> row_columns;  // first, end
  for (const auto& [r, h] : sheet.row_heights) row_columns.emplace(r, std::pair<std::uint16_t, std::uint16_t>{0, 0});
  for (const PlacedCell& p : cells) {
    auto [it, added] =
        row_columns.emplace(p.cell->row, std::pair(p.cell->col, static_cast<std::uint16_t>(p.cell->col + 1)));
    if (!added) {
      auto& span = it->second;
      if (span.first == span.second) span = {p.cell->col, p.cell->col};
      span.first = std::min(span.first, p.cell->col);
      span.second = std::max<std::uint16_t>(span.second, p.cell->col + 1);
    }
  }
  auto next_cell = cells.begin();
  auto row_it = row_columns.begin();
  while (row_it != row_columns.end()) {
    const std::size_t block = row_it->first / rows_per_block;
    auto block_end = row_it;
    while (block_end != row_columns.end() && block_end->first / rows_per_block == block) {
      const auto height = sheet.row_heights.find(block_end->first);
      const std::uint16_t twips = height == sheet.row_heights.end() ? 255 : height->second;
      w.append(
          row(static_cast<std::uint16_t>(block_end->first), block_end->second.first, block_end->second.second, twips));
      ++block_end;
    }
    while (next_cell != cells.end() && next_cell->cell->row / rows_per_block == block) write_cell(w, *next_cell++);
    row_it = block_end;
  }
}

}  // namespace

std::uint32_t last_row(const Sheet& sheet) {
  std::uint32_t last = 0;
  for (const SheetCell& c : sheet.cells) last = std::max(last, c.row);
  for (const Range& r : sheet.merges) last = std::max(last, r.last_row);
  if (!sheet.row_heights.empty()) last = std::max(last, sheet.row_heights.rbegin()->first);
  for (const std::uint32_t r : sheet.page_breaks) last = std::max(last, r);
  return last;
}

std::string too_many_rows(std::uint32_t rows) {
  std::string text = "Отчёт не помещается на лист книги Excel: больше " + std::to_string(rows) + " строк";
  if (rows == xls_rows) text += "; книга Excel 2007 (.xlsx) вмещает до " + std::to_string(xlsx_rows);
  return text;
}

BuiltWorkbook build_workbook(const Sheet& sheet) {
  BuiltWorkbook result;
  result.error = check_sheet(sheet);
  if (!result.error.empty()) return result;

  StyleTable styles;
  Strings strings;
  std::vector<PlacedCell> cells;
  for (const SheetCell* c : ordered_cells(sheet)) {
    const auto xf_index = styles.xf_for(c->style);
    if (!xf_index) {
      result.error = "Отчёт не помещается на лист книги Excel: слишком много оформлений ячеек";
      return result;
    }
    const auto* text = std::get_if<std::string>(&c->value);
    cells.push_back({c, *xf_index, text ? strings.add(utf8_to_utf16(*text)) : 0});
  }

  ByteWriter globals;
  globals.append(bof(Substream::globals));
  globals.append(codepage_utf16());
  globals.append(window1());
  globals.append(word_record(record_type::date1904, 0));
  globals.append(word_record(record_type::precision, 1));
  styles.write(globals);
  const std::size_t boundsheet_at = globals.size();
  globals.append(boundsheet(0, utf8_to_utf16(sheet.name)));
  const std::uint32_t sst_at = static_cast<std::uint32_t>(globals.size());
  const SstBlock shared = sst(strings.unique, strings.uses);
  globals.append(shared.bytes);
  globals.append(extsst(shared, sst_at));
  globals.append(eof());

  ByteWriter stream = std::move(globals);
  const auto sheet_at = static_cast<std::uint32_t>(stream.size());
  for (int i = 0; i < 4; ++i) stream.bytes()[boundsheet_at + 4 + i] = static_cast<std::uint8_t>(sheet_at >> (8 * i));

  stream.append(bof(Substream::worksheet));
  write_sheet_settings(stream, sheet);
  // The used area: every cell and every merged range.
  std::uint32_t first_row = UINT32_MAX, rows_end = 0;
  std::uint32_t first_col = UINT32_MAX, cols_end = 0;
  auto cover = [&](std::uint32_t r0, std::uint32_t r1, std::uint32_t c0, std::uint32_t c1) {
    first_row = std::min(first_row, r0);
    rows_end = std::max(rows_end, r1 + 1);
    first_col = std::min(first_col, c0);
    cols_end = std::max(cols_end, c1 + 1);
  };
  for (const PlacedCell& p : cells) cover(p.cell->row, p.cell->row, p.cell->col, p.cell->col);
  for (const Range& r : sheet.merges) cover(r.first_row, r.last_row, r.first_col, r.last_col);
  if (rows_end == 0) first_row = first_col = 0;
  stream.append(
      dimensions(first_row, rows_end, static_cast<std::uint16_t>(first_col), static_cast<std::uint16_t>(cols_end)));
  write_cell_table(stream, sheet, cells);
  stream.append(window2());
  stream.append(mergecells(sheet.merges));
  stream.append(eof());

  auto file = compound_file(stream.bytes(), u"Workbook");
  if (!file) {
    result.error = "Отчёт слишком велик для книги Excel";
    return result;
  }
  result.bytes = std::move(*file);
  return result;
}

std::string save_workbook(const Sheet& sheet, const std::string& path) {
  const BuiltWorkbook built = build_workbook(sheet);
  if (!built.error.empty()) return built.error;

  return replace_file(path, built.bytes);
}

}  // namespace kalora::xls
