// Every view of the sample instrument memories, from the image through the decoders
// and the tables to its report and a workbook that xlrd reads back.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

#include "reports/excel_export.h"
#include "reports/table_record_source.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/workbook_texts.h"
#include "tests/reports/sample_tables.h"

namespace kalora::reports {
namespace {

using test::Tables;
using test::TempDir;

struct View {
  ReportId report;
  int table;   // 1, 2, 3
  int measur;  // the heat-flow page's filter; -1 for none
};
constexpr std::array views{View{ReportId::stat, 1, -1}, View{ReportId::zond, 2, -1}, View{ReportId::flow, 3, 2},
                           View{ReportId::rk, 3, 1}, View{ReportId::ro, 3, 0}};

db::DbfTable& table_of(State& state, int number) {
  return number == 1 ? state.Dbf1 : number == 2 ? state.Dbf2 : state.Dbf3;
}

void show_view(State& state, const View& view) {
  if (view.measur < 0) return;
  state.Dbf3.set_filter("MEASUR=" + std::to_string(view.measur));
  state.Dbf3.set_filtered(true);
}

// The report's texts (not its numbers) in reading order: page by page, top to bottom, left to right.
std::vector<std::string> report_texts(const BuiltReport& report) {
  std::vector<std::string> texts;
  for (const Page& page : report.pages) {
    std::vector<const PageCell*> cells;
    for (const PageCell& c : page.cells) {
      if (!c.text.empty() && c.height > 0 && !c.number) cells.push_back(&c);
    }
    std::stable_sort(cells.begin(), cells.end(), [](const PageCell* a, const PageCell* b) {
      return std::pair(a->y, a->x) < std::pair(b->y, b->x);
    });
    for (const PageCell* c : cells) texts.push_back(c->text);
  }
  return texts;
}

TEST(SampleReports, EveryViewExportsItsWholeReport) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd");
  int exported = 0;
  for (const char* image : {"stat.bin", "zond.bin", "both.bin", "flow.bin"}) {
    Tables t(image);
    ASSERT_TRUE(t.loaded) << image;
    for (const View& view : views) {
      db::DbfTable& table = table_of(*t.state, view.table);
      if (!table.is_open()) continue;
      SCOPED_TRACE(std::string(image) + " report " + std::to_string(int(view.report)));
      show_view(*t.state, view);
      std::vector<std::string> numbers;
      for (table.first(); !table.eof(); table.next()) numbers.push_back(table.text("N"));

      const BuiltReport report = [&] {
        const TableRecordSource source(table);
        return build_report(view.report, t.state->channel_mask, source);
      }();
      const std::string path = t.dir.file("view.xls");
      ASSERT_EQ(TfrOLEExcelExport{}.export_report(report, path), "");
      const std::vector<std::string> texts = test::workbook_texts(KALORA_PYTHON, path);
      EXPECT_EQ(texts, report_texts(report));
      // Every record of the view, in its order, under the headings.
      std::vector<std::string> printed;
      for (const Page& page : report.pages) {
        for (const PageCell& c : page.cells) {
          if (c.x == page_margin + 25 && c.text != "N" && !c.text.starts_with("КАЛОРА")) printed.push_back(c.text);
        }
      }
      EXPECT_EQ(printed, numbers);
      EXPECT_NE(std::find(texts.begin(), texts.end(), "Примечание"), texts.end());
      EXPECT_NE(std::find(texts.begin(), texts.end(), "Стр. 1 из " + std::to_string(report.pages.size())), texts.end());
      ++exported;
    }
  }
  EXPECT_EQ(exported, 1 + 1 + 2 + 3);
}

// The report's measured values in reading order, each with the text it prints.
std::vector<std::pair<double, std::string>> report_numbers(const BuiltReport& report) {
  std::vector<std::pair<double, std::string>> numbers;
  for (const Page& page : report.pages) {
    std::vector<const PageCell*> cells;
    for (const PageCell& c : page.cells) {
      if (c.number) cells.push_back(&c);
    }
    std::stable_sort(cells.begin(), cells.end(), [](const PageCell* a, const PageCell* b) {
      return std::pair(a->y, a->x) < std::pair(b->y, b->x);
    });
    for (const PageCell* c : cells) numbers.emplace_back(*c->number, c->text);
  }
  return numbers;
}

// A4 landscape less the sheet's quarter-inch margins.
constexpr double printable_height_pt = 595.28 - 36;
constexpr double printable_width_px = 1122.5 - 48;
constexpr double spacer_pt = 6;

TEST(SampleReports, MeasuredValuesAreNumbersShownAsPrintedOnPagesThatFitA4) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd and openpyxl");
  for (const char* image : {"stat.bin", "zond.bin", "flow.bin"}) {
    Tables t(image);
    ASSERT_TRUE(t.loaded) << image;
    for (const View& view : views) {
      db::DbfTable& table = table_of(*t.state, view.table);
      if (!table.is_open()) continue;
      show_view(*t.state, view);
      const BuiltReport report = [&] {
        const TableRecordSource source(table);
        return build_report(view.report, t.state->channel_mask, source);
      }();
      const auto expected = report_numbers(report);
      ASSERT_FALSE(expected.empty());
      for (const bool xlsx : {false, true}) {
        SCOPED_TRACE(std::string(image) + " report " + std::to_string(int(view.report)) + (xlsx ? " .xlsx" : " .xls"));
        const std::string path = t.dir.file(xlsx ? "view.xlsx" : "view.xls");
        ASSERT_EQ(TfrOLEExcelExport{}.export_report(report, path, xlsx), "");
        const auto r = test::run_program(KALORA_PYTHON, {KALORA_READ_SHEET_SCRIPT, path});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        std::istringstream lines(r.out);
        std::size_t n = 0, pages = 0;
        for (std::string kind; lines >> kind;) {
          if (kind == "N") {
            std::string value, text;
            lines >> value >> text;
            ASSERT_LT(n, expected.size());
            EXPECT_EQ(std::stod(value), expected[n].first) << value;
            EXPECT_EQ(text, expected[n].second) << value;
            ++n;
          } else {
            double height = 0, width = 0, narrowest = 0, spacer = 0;
            lines >> height >> width >> narrowest >> spacer;
            EXPECT_LE(height, printable_height_pt) << "page " << pages;
            EXPECT_LE(width, printable_width_px);
            EXPECT_GT(narrowest, 2.5);  // no column of a unit or two
            EXPECT_LE(spacer, spacer_pt);
            ++pages;
          }
        }
        EXPECT_EQ(n, expected.size());
        EXPECT_EQ(pages, report.pages.size());
      }
    }
  }
}

TEST(SampleReports, ReportsFollowTheViewsOrderAndChannels) {
  Tables t("flow.bin");
  EXPECT_EQ(t.state->channel_mask, 5);
  show_view(*t.state, views[3]);  // "Rк"
  t.state->Dbf3.add_index("db3", "N", true);
  t.state->Dbf3.set_index("db3");
  t.state->Dbf3.last();
  const std::uint32_t current = t.state->Dbf3.recno();
  BuiltReport report;
  {
    const TableRecordSource source(t.state->Dbf3);
    ASSERT_GT(source.count(), 1u);
    report = build_report(ReportId::rk, t.state->channel_mask, source);
  }
  EXPECT_EQ(t.state->Dbf3.recno(), current);  // the view keeps its current row
  std::vector<int> numbers;
  int block = 0;
  for (const PageCell& c : report.pages[0].cells) {
    if (c.x == page_margin + 25 && c.text != "N" && !c.text.starts_with("КАЛОРА")) {
      numbers.push_back(std::stoi(c.text));
      block = c.height;
    }
  }
  EXPECT_TRUE(std::is_sorted(numbers.rbegin(), numbers.rend()));
  // The display texts of the mode and the sensors reach the report.
  for (const char* text : {"12X80", "110X110"}) {
    EXPECT_NE(std::find_if(report.pages[0].cells.begin(), report.pages[0].cells.end(),
                           [&](const PageCell& c) { return c.text.find(text) != std::string::npos; }),
              report.pages[0].cells.end())
        << text;
  }
  EXPECT_EQ(block, 40);  // channels 1 and 3: two rows, channel 3 in the second
  EXPECT_NE(std::find_if(report.pages[0].cells.begin(), report.pages[0].cells.end(),
                         [](const PageCell& c) { return c.text == "τ"; }),
            report.pages[0].cells.end());
}

}  // namespace
}  // namespace kalora::reports
