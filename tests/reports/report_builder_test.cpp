// The five reports built from records at hand: what lands on which page, where,
// and how it reads.
#include "reports/report_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "reports/report_choice.h"

namespace kalora::reports {
namespace {

constexpr std::array all_reports{ReportId::stat, ReportId::zond, ReportId::flow, ReportId::rk, ReportId::ro};

const PageCell* find_text(const Page& page, std::string_view text) {
  const auto it = std::find_if(page.cells.begin(), page.cells.end(), [&](const PageCell& c) { return c.text == text; });
  return it == page.cells.end() ? nullptr : &*it;
}

std::vector<const PageCell*> at_column(const Page& page, int x, int min_y = 0) {
  std::vector<const PageCell*> cells;
  for (const PageCell& c : page.cells) {
    if (c.x == page_margin + x && c.y >= min_y) cells.push_back(&c);
  }
  return cells;
}

MemoryRecordSource flow_records(int count) {
  MemoryRecordSource source;
  for (int i = 1; i <= count; ++i) {
    MemoryRecordSource::Record r{{"N", double(i)},
                                 {"DATE", std::string("01.02.2024")},
                                 {"TIME", std::string("10:00:00")},
                                 {"MODE_", std::string("Режим")}};
    for (int n = 1; n <= 3; ++n) {
      const std::string k = std::to_string(n);
      r["TYPE_" + k + "_"] = std::string("канал ") + k;
      r["POTOK_" + k] = 5.2 * n;
      r["RES_" + k] = 1.0 * n;
      r["T_IN_" + k] = 20.0 + n;
      r["T_EXT_" + k] = -5.0 - n;
      r["COMMENT_" + k] = std::string("прим ") + k;
    }
    source.add(r);
  }
  return source;
}

TEST(ReportBuilder, EmptyTableGivesOnePageWithTitleHeadingsAndFooter) {
  const MemoryRecordSource empty;
  for (const ReportId id : all_reports) {
    const BuiltReport report = build_report(id, 7, empty);
    ASSERT_EQ(report.pages.size(), 1u);
    const Page& page = report.pages[0];
    EXPECT_TRUE(find_text(page, id >= ReportId::flow ? "КАЛОРА-5-ПОТОК" : "КАЛОРА-5")) << int(id);
    EXPECT_TRUE(find_text(page, "N")) << int(id);
    EXPECT_TRUE(find_text(page, "Дата")) << int(id);
    EXPECT_TRUE(find_text(page, "Примечание")) << int(id);
    const PageCell* footer = find_text(page, "Стр. 1 из 1");
    ASSERT_TRUE(footer) << int(id);
    EXPECT_EQ(footer->x, page_margin + 844);
    EXPECT_EQ(footer->width, 202);
    EXPECT_EQ(footer->align, Align::right);
    EXPECT_EQ(footer->y + footer->height, page_height - page_margin);
  }
  EXPECT_TRUE(find_text(build_report(ReportId::stat, 0, empty).pages[0], "Стационарный метод"));
  EXPECT_TRUE(find_text(build_report(ReportId::zond, 0, empty).pages[0], "Зондовый метод"));
}

TEST(ReportBuilder, HeadingsTileTheTableAndDataLinesUpUnderThem) {
  for (const ReportId id : all_reports) {
    ReportLayout layout = report_layout(id);
    before_print(layout, 7);
    std::vector<std::pair<int, int>> spans;
    for (const LayoutCell& c : layout.header.cells) spans.emplace_back(c.x, c.x + c.width);
    std::sort(spans.begin(), spans.end());
    int edge = 25;
    for (const auto& [from, to] : spans) {
      EXPECT_EQ(from, edge) << "report " << int(id);
      edge = to;
    }
    EXPECT_EQ(edge, 1045) << "report " << int(id);
    for (const LayoutCell& c : layout.header.cells) {
      EXPECT_EQ(c.height, id <= ReportId::zond ? 42 : 60);
      if (c.align != Align::right) {
        EXPECT_EQ(c.font, (CellFont{"Arial", 12, true})) << c.text;
      }
      EXPECT_TRUE(c.frame.top && c.frame.bottom && c.wrap);
      EXPECT_EQ(c.text.find(",C"), std::string::npos) << "placeholder left: " << c.text;
      EXPECT_EQ(c.text.find("мК"), std::string::npos) << "placeholder left: " << c.text;
    }
    for (const LayoutCell& c : layout.data.cells) {
      const bool under_heading =
          std::any_of(spans.begin(), spans.end(), [&](const auto& s) { return s.first == c.x; }) &&
          std::any_of(spans.begin(), spans.end(), [&](const auto& s) { return s.second == c.x + c.width; });
      EXPECT_TRUE(under_heading) << c.field;
      EXPECT_EQ(c.font.size_pt, 10);
      EXPECT_FALSE(c.font.bold);
      EXPECT_EQ(c.frame, (Frame{true, true, true, true}));
      const bool comment = c.field.starts_with("COMMENT");
      EXPECT_EQ(c.align, comment && id != ReportId::zond ? Align::left : Align::center) << c.field;
      EXPECT_EQ(c.valign, VAlign::center);
    }
  }
}

TEST(ReportBuilder, GreekHeadingsAreTwoCellsUnderOneFrame) {
  struct Case {
    ReportId id;
    std::string letter;
    std::string rest;
    int letter_width;
    CellFont font;
  };
  const std::vector<Case> cases{
      {ReportId::stat, "λ,", "Вт/м·К", 22, {"Arial", 12, true}},
      {ReportId::zond, "λ,", "Вт/м·К", 26, {"Arial", 12, true}},
      {ReportId::zond, "ρ,", "кг/куб.м", 26, {"Arial", 12, true}},
      {ReportId::rk, "τ", "в, °C", 20, {"Arial", 20, false}},
      {ReportId::rk, "τ", "н, °C", 20, {"Arial", 20, false}},
      {ReportId::ro, "t", "в, °C", 20, {"Arial", 14, true}},
      {ReportId::ro, "t", "н, °C", 20, {"Arial", 14, true}},
  };
  for (const Case& c : cases) {
    const Page page = build_report(c.id, 7, MemoryRecordSource{}).pages[0];
    const PageCell* rest = find_text(page, c.rest);
    ASSERT_TRUE(rest) << c.rest;
    const auto letter = std::find_if(page.cells.begin(), page.cells.end(),
                                     [&](const PageCell& p) { return p.x + p.width == rest->x && p.y == rest->y; });
    ASSERT_NE(letter, page.cells.end()) << c.rest;
    EXPECT_EQ(letter->text, c.letter);
    EXPECT_EQ(letter->width, c.letter_width);
    EXPECT_EQ(letter->font, c.font);
    EXPECT_EQ(letter->align, Align::right);
    EXPECT_EQ(rest->align, Align::left);
    EXPECT_FALSE(letter->frame.right);
    EXPECT_FALSE(rest->frame.left);
    EXPECT_TRUE(letter->frame.left && rest->frame.right);
  }
  const Page rk = build_report(ReportId::rk, 7, MemoryRecordSource{}).pages[0];
  EXPECT_TRUE(find_text(rk, "Rк, кв.м·К/Вт"));
  EXPECT_TRUE(find_text(build_report(ReportId::ro, 7, MemoryRecordSource{}).pages[0], "Rо, кв.м·К/Вт"));
  const Page stat = build_report(ReportId::stat, 0, MemoryRecordSource{}).pages[0];
  for (const char* text : {"Tн, °C", "Tх, °C", "R, кв.м·К/Вт", "H, мм", "q, Вт/кв.м"})
    EXPECT_TRUE(find_text(stat, text));
  EXPECT_TRUE(find_text(build_report(ReportId::zond, 0, MemoryRecordSource{}).pages[0], "c, кДж/кг·К"));
}

TEST(ReportBuilder, ValuesPrintWithTheirPatterns) {
  MemoryRecordSource stat;
  stat.add({{"N", 7.0},
            {"DATE", std::string("05.03.2024")},
            {"TIME", std::string("12:30:00")},
            {"THICK", 20.04},
            {"HEAT", 12.3456},
            {"T_UP", 35.05},
            {"T_DOWN", -0.04},
            {"R", 0.0255},
            {"Q", 5.2},
            {"COMMENT", std::string("образец 1        ")}});
  const Page s = build_report(ReportId::stat, 0, stat).pages[0];
  for (const char* text :
       {"7", "05.03.2024", "12:30:00", "20,0", "12,346", "35,1", "0,0", "0,026", "005,2", "образец 1"}) {
    EXPECT_TRUE(find_text(s, text)) << text;
  }
  MemoryRecordSource zond;
  zond.add({{"N", 3.0}, {"HEAT", 12.3456}, {"SHEAT", 1.005}, {"THICK", 1200.0}, {"COMMENT", std::string("x")}});
  const Page z = build_report(ReportId::zond, 0, zond).pages[0];
  for (const char* text : {"3", "12,346", "1,01", "1200", "x"}) EXPECT_TRUE(find_text(z, text)) << text;
  // A record without date or time (blank fields) prints empty cells, framed.
  const auto date_cells = at_column(z, 86, page_margin + 64 + 42);
  ASSERT_EQ(date_cells.size(), 1u);
  EXPECT_EQ(date_cells[0]->text, "");

  const Page flow = build_report(ReportId::flow, 7, flow_records(1)).pages[0];
  for (const char* text : {"005,2", "010,4", "015,6", "канал 2", "прим 3", "Режим"}) EXPECT_TRUE(find_text(flow, text));
  const Page rk = build_report(ReportId::rk, 7, flow_records(1)).pages[0];
  for (const char* text : {"1,00", "3,00", "21,0", "-06,0", "-08,0"}) EXPECT_TRUE(find_text(rk, text)) << text;
}

TEST(ReportBuilder, ChannelRowsFollowTheChannelMask) {
  struct Case {
    std::uint16_t mask;
    int block;                      // height a record takes
    std::vector<int> channel_rows;  // offsets of the rows shown, from the block's top
  };
  const std::vector<Case> cases{
      {7, 60, {0, 20, 40}}, {1, 20, {0}}, {3, 40, {0, 20}}, {5, 40, {0, 20}},  // no gap for channel 2
      {4, 20, {0}},         {0, 20, {}},  // no channel: the record's own cells, one row high
  };
  for (const ReportId id : {ReportId::flow, ReportId::rk, ReportId::ro}) {
    for (const Case& c : cases) {
      const Page page = build_report(id, c.mask, flow_records(3)).pages[0];
      const int first = page_margin + 64 + 60;
      const auto numbers = at_column(page, 25, first);
      ASSERT_EQ(numbers.size(), 3u) << c.mask;
      for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(numbers[r]->y, first + r * c.block) << "mask " << c.mask;
        EXPECT_EQ(numbers[r]->height, c.block) << "mask " << c.mask;
      }
      std::vector<int> rows;
      for (const PageCell* p : at_column(page, id == ReportId::flow ? 527 : 522, first)) {
        if (p->y < first + c.block) rows.push_back(p->y - first);
      }
      EXPECT_EQ(rows, c.channel_rows) << "report " << int(id) << " mask " << c.mask;
    }
  }
  ReportLayout layout = report_layout(ReportId::rk);
  before_print(layout, 5);
  EXPECT_EQ(layout.data.height, 40);  // the band itself is 20 per channel that exists
}

// A remark of the field's 50 characters wraps within its row, which grows to hold it;
// the other cells of the row grow with it, the next record starts below.
TEST(ReportBuilder, LongRemarkWrapsAndItsRowGrows) {
  const std::string remark = "Наружная стена, кирпич М150, северный фасад, этаж3";
  const struct {
    ReportId id;
    std::uint16_t mask;
    int comment_x;  // of the remark's cells, on the page
    int lines;      // the remark wraps into at least so many lines
  } cases[] = {{ReportId::flow, 5, 617, 1},
               {ReportId::rk, 5, 846, 2},
               {ReportId::ro, 7, 846, 2},
               {ReportId::stat, 0, 704, 1},
               {ReportId::zond, 0, 531, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.id));
    MemoryRecordSource records;  // the first record's remark (channel 3's on the heat-flow pages) is long
    for (int i = 1; i <= 2; ++i) {
      MemoryRecordSource::Record r{{"N", double(i)}, {"COMMENT", i == 1 ? remark : std::string("x")}};
      for (const char* n : {"1", "2", "3"})
        r[std::string("COMMENT_") + n] = i == 1 && n[0] == '3' ? remark : std::string("прим");
      records.add(r);
    }
    const Page page = build_report(c.id, c.mask, records).pages[0];
    const PageCell* cell = find_text(page, remark);
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->wrap);
    EXPECT_EQ(cell->x, page_margin + c.comment_x);
    EXPECT_GE(cell->height, c.lines == 1 ? 20 : 2 * 16);
    const auto numbers = at_column(page, 25, page_margin + 64 + (c.id >= ReportId::flow ? 60 : 42));
    ASSERT_EQ(numbers.size(), 2u);
    EXPECT_EQ(numbers[1]->y, numbers[0]->y + numbers[0]->height);
    EXPECT_EQ(numbers[0]->y + numbers[0]->height, cell->y + cell->height);  // the last row of the block
    for (const PageCell& other : page.cells)  // the row's other cells as high as the remark's
      if (other.y == cell->y && other.x != cell->x && other.x != numbers[0]->x) {
        EXPECT_EQ(other.height, cell->height);
      }
  }
}

TEST(ReportBuilder, LongTablesRepeatHeadingsAndFooterOnEveryPage) {
  for (const ReportId id : all_reports) {
    MemoryRecordSource source = id >= ReportId::flow ? flow_records(250) : MemoryRecordSource{};
    if (id < ReportId::flow) {
      for (int i = 1; i <= 250; ++i) source.add({{"N", double(i)}});
    }
    std::size_t last_progress = 0;
    const BuiltReport report = build_report(id, 7, source, [&](std::size_t done, std::size_t total) {
      EXPECT_EQ(done, last_progress + 1);
      EXPECT_EQ(total, 250u);
      last_progress = done;
    });
    EXPECT_EQ(last_progress, 250u);
    const std::size_t pages = report.pages.size();
    ASSERT_GT(pages, 2u);
    std::vector<std::string> numbers;
    for (std::size_t p = 0; p < pages; ++p) {
      const Page& page = report.pages[p];
      const std::string title = id >= ReportId::flow ? "КАЛОРА-5-ПОТОК" : "КАЛОРА-5";
      EXPECT_EQ(find_text(page, title) != nullptr, p == 0) << "page " << p;
      EXPECT_TRUE(find_text(page, "Примечание")) << "page " << p;
      const std::string footer = "Стр. " + std::to_string(p + 1) + " из " + std::to_string(pages);
      const PageCell* foot = find_text(page, footer);
      ASSERT_TRUE(foot) << footer;
      const int heading_bottom = page_margin + (p == 0 ? 64 : 0) + (id >= ReportId::flow ? 60 : 42);
      int lowest = 0;
      for (const PageCell* c : at_column(page, 25, heading_bottom)) {
        numbers.push_back(c->text);
        lowest = std::max(lowest, c->y + c->height);
      }
      EXPECT_LE(lowest, foot->y) << "page " << p;
      // A page is only left when the next record would not fit.
      if (p + 1 < pages) {
        EXPECT_GT(lowest + (id >= ReportId::flow ? 60 : 20), foot->y) << "page " << p;
      }
    }
    ASSERT_EQ(numbers.size(), 250u);
    for (int i = 0; i < 250; ++i) EXPECT_EQ(numbers[i], std::to_string(i + 1));
  }
}

TEST(ReportChoice, TheViewShownPicksTheReportWhenItsTableIsOpen) {
  struct Case {
    bool db_open;
    OuterTab outer;
    InnerTab inner;
    std::array<bool, 3> open;
    std::optional<ReportId> report;
  };
  const std::vector<Case> cases{
      {true, OuterTab::stat, InnerTab::rk, {true, true, true}, ReportId::stat},
      {true, OuterTab::zond, InnerTab::flow, {false, true, false}, ReportId::zond},
      {true, OuterTab::potok, InnerTab::flow, {false, false, true}, ReportId::flow},
      {true, OuterTab::potok, InnerTab::rk, {false, false, true}, ReportId::rk},
      {true, OuterTab::potok, InnerTab::ro, {false, false, true}, ReportId::ro},
      {true, OuterTab::stat, InnerTab::flow, {false, true, true}, std::nullopt},
      {true, OuterTab::potok, InnerTab::ro, {true, true, false}, std::nullopt},
      {false, OuterTab::stat, InnerTab::flow, {true, true, true}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(choose_report(c.db_open, c.outer, c.inner, c.open), c.report);
}

}  // namespace
}  // namespace kalora::reports
