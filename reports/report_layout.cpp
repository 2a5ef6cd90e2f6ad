#include "reports/report_layout.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

namespace kalora::reports {

namespace {

constexpr int channel_row_height = 20;
constexpr int channel_count = 3;
constexpr int title_height = 64;
constexpr int footer_height = 20;

// One column of a report: its heading and the field its data cells print. A heading
// with a Greek letter is split: the letter's own cell first, then the rest.
struct Column {
  int x;
  int width;
  std::string_view heading;  // as stored; the named ones are set before printing
  std::string_view field;    // '#' stands for the channel number
  std::string_view pattern = {};
  Align data_align = Align::center;
  std::string_view heading_name = {};
  std::string_view letter = {};
  int letter_width = 0;
  bool per_channel = false;
};

constexpr std::array stat_columns{
    Column{25, 61, "N", "N", "0"},
    Column{86, 88, "Дата", "DATE"},
    Column{174, 72, "Время", "TIME"},
    Column{246, 73, "H, мм", "THICK", "0.0"},
    Column{319, 80, "Вт/мК", "HEAT", "0.000", Align::center, "Memo7", "l,", 22},
    Column{399, 58, "Tн,C", "T_UP", "0.0", Align::center, "Memo11"},
    Column{457, 58, "Tх,C", "T_DOWN", "0.0", Align::center, "Memo13"},
    Column{515, 102, "R,кв.мК/Вт", "R", "0.000", Align::center, "Memo15"},
    Column{617, 87, "q, Вт/кв.м", "Q", "000.0"},
    Column{704, 341, "Примечание", "COMMENT", {}, Align::left},
};

constexpr std::array zond_columns{
    Column{25, 61, "N", "N"},
    Column{86, 88, "Дата", "DATE"},
    Column{174, 72, "Время", "TIME"},
    Column{246, 84, "Вт/мК", "HEAT", "0.000", Align::center, "Memo3", "l,", 26},
    Column{330, 102, "c,кДж/кгК", "SHEAT", "0.00", Align::center, "Memo5"},
    Column{432, 99, "кг/куб.м", "THICK", "0", Align::center, {}, "r,", 26},
    Column{531, 514, "Примечание", "COMMENT", {}, Align::center},
};

constexpr std::array flow_columns{
    Column{25, 61, "N", "N"},
    Column{86, 88, "Дата", "DATE"},
    Column{174, 72, "Время", "TIME"},
    Column{246, 121, "Режим", "MODE_"},
    Column{367, 160, "Тип преобразователя", "TYPE_#_", {}, Align::center, {}, {}, 0, true},
    Column{527, 90, "q, Вт/кв.м", "POTOK_#", "000.0", Align::center, {}, {}, 0, true},
    Column{617, 428, "Примечание", "COMMENT_#", {}, Align::left, {}, {}, 0, true},
};

// Reports 4 and 5 share their columns; the letter before "в" and "н" differs.
constexpr std::array resistance_columns{
    Column{25, 61, "N", "N"},
    Column{86, 88, "Дата", "DATE"},
    Column{174, 72, "Время", "TIME"},
    Column{246, 121, "Режим", "MODE_"},
    Column{367, 155, "Тип преобразователя", "TYPE_#_", {}, Align::center, {}, {}, 0, true},
    Column{522, 94, "q, Вт/кв.м", "POTOK_#", "000.0", Align::center, {}, {}, 0, true},
    Column{616, 86, "R,кв.мК/Вт", "RES_#", "0.00", Align::center, "Memo9", {}, 0, true},
    Column{702, 72, "в,C", "T_IN_#", "00.0", Align::center, "Memo11", "t", 20, true},
    Column{774, 72, "н,C", "T_EXT_#", "00.0", Align::center, "Memo13", "t", 20, true},
    Column{846, 199, "Примечание", "COMMENT_#", {}, Align::left, {}, {}, 0, true},
};

struct TitleCell {
  std::string_view text;
  int x;
  int width;
};

struct ReportDesign {
  ReportId id;
  std::span<const Column> columns;
  int heading_height;
  bool heat_flow;
  TitleCell instrument;
  TitleCell method;  // empty text: none
  CellFont letter_font;
};

const CellFont symbol_heading{"Symbol", 12, true};

const std::array<ReportDesign, 5> designs{
    ReportDesign{ReportId::stat,
                 stat_columns,
                 42,
                 false,
                 {"КАЛОРА-5", 25, 89},
                 {"Стационарный метод", 437, 196},
                 symbol_heading},
    ReportDesign{
        ReportId::zond, zond_columns, 42, false, {"КАЛОРА-5", 25, 96}, {"Зондовый метод", 442, 186}, symbol_heading},
    ReportDesign{ReportId::flow, flow_columns, 60, true, {"КАЛОРА-5-ПОТОК", 25, 188}, {}, symbol_heading},
    ReportDesign{ReportId::rk, resistance_columns, 60, true, {"КАЛОРА-5-ПОТОК", 26, 187}, {}, {"Symbol", 20, false}},
    ReportDesign{ReportId::ro, resistance_columns, 60, true, {"КАЛОРА-5-ПОТОК", 25, 186}, {}, {"Arial", 14, true}},
};

struct Setting {
  ReportId report;
  std::string_view cell;
  std::string_view text;
};

constexpr std::array settings{
    Setting{ReportId::stat, "Memo7", "Вт/м·К"},      Setting{ReportId::stat, "Memo11", "Tн, °C"},
    Setting{ReportId::stat, "Memo13", "Tх, °C"},     Setting{ReportId::stat, "Memo15", "R, кв.м·К/Вт"},
    Setting{ReportId::zond, "Memo3", "Вт/м·К"},      Setting{ReportId::zond, "Memo5", "c, кДж/кг·К"},
    Setting{ReportId::rk, "Memo9", "Rк, кв.м·К/Вт"}, Setting{ReportId::ro, "Memo9", "Rо, кв.м·К/Вт"},
    Setting{ReportId::rk, "Memo11", "в, °C"},        Setting{ReportId::ro, "Memo11", "в, °C"},
    Setting{ReportId::rk, "Memo13", "н, °C"},        Setting{ReportId::ro, "Memo13", "н, °C"},
};

constexpr Frame all_sides{true, true, true, true};

LayoutCell title_cell(const TitleCell& t, int size_pt, Align align) {
  LayoutCell c;
  c.x = t.x;
  c.width = t.width;
  c.height = 24;
  c.text = t.text;
  c.font = {"Arial", size_pt, true};
  c.align = align;
  c.valign = VAlign::top;
  return c;
}

void add_headings(Band& header, const ReportDesign& design, const Column& col) {
  LayoutCell heading;
  heading.name = col.heading_name;
  heading.x = col.x;
  heading.width = col.width;
  heading.height = design.heading_height;
  heading.text = col.heading;
  heading.font = {"Arial", 12, true};
  heading.wrap = true;
  heading.frame = all_sides;
  if (col.letter.empty()) {
    header.cells.push_back(heading);
    return;
  }
  // Letter and rest share one frame.
  LayoutCell letter = heading;
  letter.name.clear();
  letter.width = col.letter_width;
  letter.text = col.letter;
  letter.font = design.letter_font;
  letter.align = Align::right;
  letter.frame.right = false;
  heading.x += col.letter_width;
  heading.width -= col.letter_width;
  heading.align = Align::left;
  heading.frame.left = false;
  header.cells.push_back(letter);
  header.cells.push_back(heading);
}

std::string channel_field(std::string_view field, int channel) {
  std::string name(field);
  for (char& ch : name) {
    if (ch == '#') ch = static_cast<char>('0' + channel);
  }
  return name;
}

void add_data_cells(Band& data, const ReportDesign& design, const Column& col) {
  LayoutCell cell;
  cell.x = col.x;
  cell.width = col.width;
  cell.height = data.height;
  cell.field = col.field;
  cell.pattern = col.pattern;
  cell.align = col.data_align;
  cell.frame = all_sides;
  // A long remark wraps within its row; the row grows to hold it.
  cell.wrap = col.field.starts_with("COMMENT");
  if (!col.per_channel) {
    cell.spans_block = design.heat_flow;
    data.cells.push_back(cell);
    return;
  }
  for (int n = 1; n <= channel_count; ++n) {
    cell.channel = n;
    cell.field = channel_field(col.field, n);
    cell.y = channel_row_height * (n - 1);
    cell.height = channel_row_height;
    data.cells.push_back(cell);
  }
}

}  // namespace

ReportLayout report_layout(ReportId id) {
  const ReportDesign& design = designs.at(static_cast<std::size_t>(id) - 1);
  ReportLayout layout;
  layout.id = id;
  layout.title.height = title_height;
  layout.title.cells.push_back(title_cell(design.instrument, 14, Align::left));
  if (!design.method.text.empty()) layout.title.cells.push_back(title_cell(design.method, 12, Align::center));
  layout.header.height = design.heading_height;
  layout.data.height = design.heat_flow ? channel_row_height * channel_count : 20;
  for (const Column& col : design.columns) {
    add_headings(layout.header, design, col);
    add_data_cells(layout.data, design, col);
  }
  layout.footer.height = footer_height;
  LayoutCell page_count;
  page_count.x = 844;
  page_count.width = 202;
  page_count.height = footer_height;
  page_count.text = footer_text;
  page_count.align = Align::right;
  layout.footer.cells.push_back(page_count);
  return layout;
}

void before_print(ReportLayout& layout, std::uint16_t channel_mask) {
  for (const Setting& s : settings) {
    if (s.report != layout.id) continue;
    for (LayoutCell& c : layout.header.cells) {
      if (c.name == s.cell) c.text = s.text;
    }
  }
  if (layout.id == ReportId::stat || layout.id == ReportId::zond) return;

  // The rows of the channels that exist stand one under the other, without a gap
  // where a missing channel's row would be.
  int height = 0;
  for (int n = 1; n <= channel_count; ++n) {
    const bool present = (channel_mask >> (n - 1)) & 1;
    for (LayoutCell& c : layout.data.cells) {
      if (c.channel != n) continue;
      c.visible = present;
      c.y = height;
    }
    if (present) height += channel_row_height;
  }
  // Without any channel a record still prints its number, date, time and mode, one row high.
  height = std::max(height, channel_row_height);
  layout.data.height = height;
  for (LayoutCell& c : layout.data.cells) {
    if (c.spans_block) c.height = height;
  }
}

}  // namespace kalora::reports
