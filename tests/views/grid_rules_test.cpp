// The grid rules that need no widgets: formats, sort marks and the order they make,
// column groups, layout text, column fitting and what a comment cell accepts.
#include <gtest/gtest.h>

#include <numeric>

#include "core/frontend.h"
#include "db/commands.h"
#include "db/dbf_table.h"
#include "support/recording_frontend.h"
#include "support/temp_dir.h"
#include "views/column_layout.h"
#include "views/comment_text.h"
#include "views/grid_columns.h"
#include "views/numeric_vision.h"
#include "views/sort_marks.h"

namespace kalora::views {
namespace {

using enum TitleState;

TEST(NumericVision, PatternsPadWholeDigitsAndRoundDecimals) {
  const struct {
    double value;
    std::string_view pattern;
    std::string shown;
  } cases[] = {
      {5.2, NumericVision_temp, "05.2"},   {12.5, NumericVision_q, "012.5"},     {1.234, NumericVision_lam, "1.234"},
      {-5.2, NumericVision_temp, "-05.2"}, {1234.56, NumericVision_q, "1234.6"}, {0.0004, NumericVision_r, "0.000"},
      {25.0, NumericVision_h, "25.0"},     {-0.04, NumericVision_h, "0.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(numeric_vision(c.value, c.pattern), c.shown) << c.value << " " << c.pattern;
}

TEST(SortMarks, ClicksCycleAndOneColumnIsMarked) {
  struct Click {
    std::size_t column;
    bool ctrl;
    TitleState want_clicked;
    int want_order;
  };
  const std::vector<Click> clicks = {
      {0, false, tsSortedUp, 0},   {0, false, tsSortedDown, 0}, {0, false, tsSortedUp, 0}, {0, true, tsSortedNone, -1},
      {0, true, tsSortedNone, -1}, {2, false, tsSortedUp, 1},   {1, false, tsSortedUp, 2}, {1, false, tsSortedDown, 2},
  };
  SortMarks marks(3);
  for (std::size_t i = 0; i < clicks.size(); ++i) {
    const Click& c = clicks[i];
    marks.click(c.column, c.ctrl);
    EXPECT_EQ(marks[c.column].state, c.want_clicked) << "click " << i;
    EXPECT_EQ(marks[c.column].order, c.want_order) << "click " << i;
    for (std::size_t other = 0; other < marks.size(); ++other) {
      if (other == c.column) continue;
      EXPECT_EQ(marks[other].state, tsSortedNone) << "click " << i << " column " << other;
      EXPECT_EQ(marks[other].order, -1) << "click " << i << " column " << other;
    }
  }
  marks.click(7, false);  // a column the grid does not have
  marks.clear();
  for (std::size_t c = 0; c < marks.size(); ++c) EXPECT_EQ(marks[c].state, tsSortedNone);
}

TEST(SortMarks, RestoredMarkKeepsTheRunningNumberAhead) {
  SortMarks marks(2);
  marks.set(0, {tsSortedDown, 7});
  marks.click(1, false);
  EXPECT_EQ(marks[1].order, 8);
  EXPECT_EQ(marks[0].state, tsSortedNone);
}

TEST(SortMarks, DisplayTextsSortByTheirCodesAndHeatFlowGridsShareAnIndex) {
  const std::pair<std::string_view, std::string_view> fields[] = {
      {"MODE_", "MODE"},      {"TYPE_1_", "TYPE_1"},      {"TYPE_2_", "TYPE_2"},
      {"TYPE_3_", "TYPE_3"},  {"COMMENT_1", "COMMENT_1"}, {"N", "N"},
      {"T_EXT_2", "T_EXT_2"},
  };
  for (const auto& [column, stored] : fields) EXPECT_EQ(sort_field(column), stored);
  EXPECT_EQ(sort_index_name(1), "db1");
  EXPECT_EQ(sort_index_name(2), "db2");
  for (int g = 3; g <= 5; ++g) EXPECT_EQ(sort_index_name(g), "db3");
}

class SortedTable : public ::testing::Test {
 protected:
  SortedTable() : table(db::potok_schema) {
    table.set_file_name(dir.file("potok.dbf"));
    table.create();
    table.open();
    // N, MODE, MEASUR: natural order 1..4, modes chosen so that MODE and N disagree.
    for (const auto& [n, mode, measur] : {std::tuple{1, 3, 1}, {2, 1, 1}, {3, 2, 0}, {4, 0, 1}}) {
      table.append();
      table.set_number("N", n);
      table.set_number("MODE", mode);
      table.set_number("MEASUR", measur);
      table.post();
    }
  }
  std::vector<int> order() {
    std::vector<int> ns;
    for (table.first(); !table.eof(); table.next()) ns.push_back(static_cast<int>(*table.number("N")));
    return ns;
  }

  test::TempDir dir;
  db::DbfTable table;
};

TEST_F(SortedTable, MarkChoosesDirectionAndResetReturnsNaturalOrder) {
  const struct {
    std::string_view column;
    TitleState state;
    std::vector<int> want;
  } steps[] = {
      {"N", tsSortedUp, {4, 3, 2, 1}},        // the first click lists descending
      {"N", tsSortedDown, {1, 2, 3, 4}},      // the second ascending
      {"N", tsSortedNone, {1, 2, 3, 4}},      // Ctrl+click leaves ascending
      {"MODE_", tsSortedDown, {4, 2, 3, 1}},  // by the stored code behind the text
      {"MODE_", tsSortedUp, {1, 3, 2, 4}},
  };
  for (const auto& s : steps) {
    title_state_change(table, "db3", s.column, s.state);
    EXPECT_EQ(order(), s.want) << s.column << " " << static_cast<int>(s.state);
    EXPECT_EQ(table.active_index(), "db3");
  }
  table.set_filter("MEASUR=1");
  table.set_filtered(true);
  table.refresh();
  EXPECT_EQ(order(), (std::vector{1, 2, 4}));  // the filter keeps the sorted order
  test::RecordingFrontend frontend;
  reset_sort(frontend, 3, table, "db3");
  EXPECT_EQ(order(), (std::vector{1, 2, 4}));
  EXPECT_EQ(table.active_index(), "");
  EXPECT_FALSE(table.drop_index("db3"));
  table.close();
  title_state_change(table, "db3", "N", tsSortedUp);  // a closed table is left alone
}

TEST_F(SortedTable, DateAndTimeColumnsSortByTheInstant) {
  // N 1..5: 28.01 and 01.02 of one year, then of the year before and after; equal days differ in time.
  const std::pair<std::string, std::string> when[] = {{"28.01.2025", "10:00:00"},
                                                      {"01.02.2025", "09:00:00"},
                                                      {"28.01.2024", "23:00:00"},
                                                      {"01.02.2026", "00:00:01"},
                                                      {"28.01.2025", "09:59:59"}};
  table.append();
  table.set_number("N", 5);
  table.post();
  int r = 0;
  for (table.first(); !table.eof(); table.next(), ++r) {
    table.set_text("DATE", when[r].first);
    table.set_text("TIME", when[r].second);
    table.post();
  }
  for (const std::string_view column : {"DATE", "TIME"}) {
    title_state_change(table, "db1", column, tsSortedUp);
    EXPECT_EQ(order(), (std::vector{4, 2, 1, 5, 3})) << column;
    title_state_change(table, "db1", column, tsSortedDown);
    EXPECT_EQ(order(), (std::vector{3, 5, 1, 2, 4})) << column;
  }
}

TEST(GridColumns, HeatFlowChannelsStackUnderTheirGroup) {
  const struct {
    int grid;
    std::size_t columns, groups;
    int lines;
  } grids[] = {{1, 10, 10, 1}, {2, 7, 7, 1}, {3, 13, 7, 3}, {4, 22, 10, 3}, {5, 22, 10, 3}};
  for (const auto& g : grids) {
    const auto columns = grid_columns(g.grid);
    EXPECT_EQ(columns.size(), g.columns) << g.grid;
    EXPECT_EQ(record_lines(columns), g.lines) << g.grid;
    const auto groups = column_groups(columns);
    ASSERT_EQ(groups.size(), g.groups) << g.grid;
    std::size_t members = 0;
    for (const auto& group : groups) {
      for (int level = 0; level < 3; ++level) {
        const int c = group.at[static_cast<std::size_t>(level)];
        if (c < 0) continue;
        ++members;
        EXPECT_EQ(columns[static_cast<std::size_t>(c)].level, level);
      }
    }
    EXPECT_EQ(members, g.columns) << g.grid;
  }
  const auto flow = column_groups(grid_columns(3));
  for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(flow[i].spans()) << grid_columns(3)[i].field;
  EXPECT_EQ(grid_columns(3)[static_cast<std::size_t>(flow[5].at[2])].field, "POTOK_3");
}

TEST(ColumnLayout, TextRoundTripsAndNamesOnlyChangedProperties) {
  std::vector<ColumnLayout> columns(3);
  columns[0].field = "N";
  columns[0].width = 80;
  columns[0].alignment = Align::right;
  columns[1].field = "COMMENT_2";
  columns[1].level = 1;
  columns[1].index = 12;
  columns[1].sort = {tsSortedDown, 4};
  columns[1].color = 0x0000FF00;
  columns[1].font = "Microsoft Sans Serif_mod,8";
  columns[2].field = "T_IN_1";
  const std::string text = layout_to_text(columns);
  EXPECT_EQ(text.substr(0, text.find('\r')), layout_signature);
  EXPECT_NE(text.find("\r\nFieldName=N;Width=80;Alignment=right\r\n"), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with("\r\nFieldName=T_IN_1;Width=64")) << text;
  EXPECT_EQ(layout_from_text(text), columns);

  std::string lf_only = text;
  std::erase(lf_only, '\r');
  EXPECT_EQ(layout_from_text(lf_only), columns);
}

TEST(ColumnLayout, ForeignOrDamagedTextIsIgnoredWithoutHarm) {
  const std::string_view foreign[] = {"", "FieldName=N;Width=80", "<Columns><N Width=80/></Columns>",
                                      "KALORA-LAYOUT 2"};
  for (const auto text : foreign) EXPECT_FALSE(layout_from_text(text)) << text;

  const auto damaged = layout_from_text(
      "KALORA-LAYOUT 1\r\n"
      "Width=50\r\n"                                             // no field: skipped
      "FieldName=N;Width=-3;Color=$zz;TitleState=9;Bogus=1\r\n"  // bad values keep their defaults
      "garbage line\r\n"
      "FieldName=DATE;Width=99999;SortOrder=x;LayoutLevel=2;Alignment=centre\r\n");
  ASSERT_TRUE(damaged);
  ASSERT_EQ(damaged->size(), 2u);
  ColumnLayout plain_n;
  plain_n.field = "N";
  EXPECT_EQ((*damaged)[0], plain_n);
  EXPECT_EQ((*damaged)[1].width, ColumnLayout{}.width);
  EXPECT_EQ((*damaged)[1].level, 2);
  EXPECT_EQ((*damaged)[1].alignment, Align::centre);
}

TEST(ColumnFitting, EqualSharesThenStretchToTheGridWidth) {
  EXPECT_EQ(fitted_width(780, 13), 60);
  EXPECT_EQ(fitted_width(790, 22), 35);
  EXPECT_EQ(fitted_width(500, 0), 0);
  const struct {
    std::vector<int> widths;
    int available;
    std::vector<int> want;
  } cases[] = {
      {{60, 60, 60, 60}, 480, {120, 120, 120, 120}},
      {{10, 20, 30}, 61, {10, 20, 31}},
      {{0, 0, 0}, 10, {4, 3, 3}},
      {{80, 77}, 0, {0, 0}},
      {{}, 300, {}},
  };
  for (const auto& c : cases) {
    const auto got = stretch_widths(c.widths, c.available);
    EXPECT_EQ(got, c.want);
    if (!c.widths.empty() && c.available > 0) {
      EXPECT_EQ(std::accumulate(got.begin(), got.end(), 0), c.available);
    }
  }
}

TEST(CommentText, AcceptsWhatWindows1251HoldsWithinTheWidth) {
  const std::string fifty_cyrillic = [] {
    std::string s;
    for (int i = 0; i < 50; ++i) s += "ж";
    return s;
  }();
  const struct {
    std::string text;
    bool accepted;
  } cases[] = {
      {"", true},
      {"образец №3, влажный", true},
      {fifty_cyrillic, true},
      {fifty_cyrillic + "ж", false},
      {"中", false},
      {"a\xff", false},  // broken UTF-8
      {"€ and ±", true},
  };
  for (const auto& c : cases) EXPECT_EQ(comment_text(c.text).has_value(), c.accepted) << c.text;
  EXPECT_TRUE(comment_char_allowed("ё"));
  EXPECT_FALSE(comment_char_allowed("\t"));
  EXPECT_FALSE(comment_char_allowed("😀"));
}

}  // namespace
}  // namespace kalora::views
