// Built reports exported to .xls and read back by xlrd.
#include "reports/excel_export.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace kalora::reports {
namespace {

using test::TempDir;

// One line per cell holding text or a number: "row,col text | font size [bold] hN
// vN frame=LRTB" (the frame of its merged area, drawn by the area's edge cells),
// a number's text being "#format#value"; then the merged ranges and the rows that
// start a printed page.
constexpr const char* dump_script = R"(
import sys, struct, xlrd
from xlrd import compdoc
book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
sheet = book.sheet_by_index(0)
def border(r, c):
    if r >= sheet.nrows or c >= sheet.ncols or sheet.cell(r, c).ctype == xlrd.XL_CELL_EMPTY:
        return xlrd.formatting.XFBorder()
    return book.xf_list[sheet.cell_xf_index(r, c)].border
for r in range(sheet.nrows):
    for c in range(sheet.ncols):
        cell = sheet.cell(r, c)
        if cell.ctype not in (xlrd.XL_CELL_TEXT, xlrd.XL_CELL_NUMBER):
            continue
        xf = book.xf_list[cell.xf_index]
        text = cell.value
        if cell.ctype == xlrd.XL_CELL_NUMBER:
            text = '#%s#%r' % (book.format_map[xf.format_key].format_str, cell.value)
        font = book.font_list[xf.font_index]
        area = [m for m in sheet.merged_cells if m[0] == r and m[2] == c] or [(r, r + 1, c, c + 1)]
        r1, c1 = area[0][1] - 1, area[0][3] - 1
        print('%d,%d %s | %s %d%s h%d v%d frame=%d%d%d%d' % (r, c, text, font.name, font.height // 20,
              ' bold' if font.weight >= 700 else '', xf.alignment.hor_align, xf.alignment.vert_align,
              border(r, c).left_line_style, border(r, c1).right_line_style, border(r, c).top_line_style,
              border(r1, c).bottom_line_style))
for m in sorted(sheet.merged_cells):
    print('merged', *m)
stream = compdoc.CompDoc(open(sys.argv[1], 'rb').read()).get_named_stream('Workbook')
pos = 0
while pos + 4 <= len(stream):
    kind, length = struct.unpack_from('<HH', stream, pos)
    if kind == 0x1B:
        count = struct.unpack_from('<H', stream, pos + 4)[0]
        print('breaks', *[struct.unpack_from('<H', stream, pos + 6 + 6 * i)[0] for i in range(count)])
    pos += 4 + length
)";

struct Dump {
  std::vector<std::string> lines;

  // The cell whose text is `text`: "row,col" and its looks.
  std::string find(const std::string& text) const {
    for (const std::string& l : lines) {
      const auto space = l.find(' ');
      const auto bar = l.find(" | ");
      if (space != std::string::npos && bar != std::string::npos && l.substr(space + 1, bar - space - 1) == text) {
        return l;
      }
    }
    return {};
  }
  std::vector<std::string> starting(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& l : lines) {
      if (l.starts_with(prefix)) out.push_back(l);
    }
    return out;
  }
};

Dump export_and_read(const BuiltReport& report, const std::string& path) {
  EXPECT_EQ(TfrOLEExcelExport{}.export_report(report, path), "");
  const auto r = test::run_program(KALORA_PYTHON, {"-c", dump_script, path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  Dump d;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) d.lines.push_back(line);
  return d;
}

MemoryRecordSource resistance_records(int count) {
  MemoryRecordSource source;
  for (int i = 1; i <= count; ++i) {
    MemoryRecordSource::Record r{{"N", double(i)},
                                 {"DATE", std::string("02.03.2024")},
                                 {"TIME", std::string("09:15:00")},
                                 {"MODE_", std::string("Rк")}};
    for (int n = 1; n <= 3; ++n) {
      const std::string k = std::to_string(n);
      r["TYPE_" + k + "_"] = "датчик " + k;
      r["POTOK_" + k] = 5.2 + n;
      r["RES_" + k] = 0.5 * n;
      r["T_IN_" + k] = 20.0 + n;
      r["T_EXT_" + k] = -10.0 - n;
      r["COMMENT_" + k] = "стена " + k;
    }
    source.add(r);
  }
  return source;
}

TEST(ExcelExport, EmptyTablesGiveTitleHeadingsAndFooter) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd");
  TempDir dir;
  for (const ReportId id : {ReportId::stat, ReportId::zond, ReportId::flow, ReportId::rk, ReportId::ro}) {
    const Dump d = export_and_read(build_report(id, 7, MemoryRecordSource{}), dir.file("empty.xls"));
    const std::string title = d.find(id >= ReportId::flow ? "КАЛОРА-5-ПОТОК" : "КАЛОРА-5");
    EXPECT_TRUE(title.starts_with("0,")) << title;
    EXPECT_NE(title.find("Arial 14 bold h1 v0 frame=0000"), std::string::npos) << title;
    for (const char* heading : {"N", "Дата", "Время", "Примечание"}) {
      EXPECT_NE(d.find(heading).find("Arial 12 bold h2 v1 frame=1111"), std::string::npos) << heading;
    }
    EXPECT_NE(d.find("Стр. 1 из 1").find("Arial 10 h3 v1 frame=0000"), std::string::npos) << int(id);
    EXPECT_TRUE(d.starting("breaks").empty());
  }
}

TEST(ExcelExport, RecordsPrintAsTheReportDoesWithSharedFramesForGreekHeadings) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd");
  MemoryRecordSource stat;
  stat.add({{"N", 1.0},
            {"DATE", std::string("05.03.2024")},
            {"TIME", std::string("12:30:00")},
            {"THICK", 20.04},
            {"HEAT", 12.3456},
            {"T_UP", 35.05},
            {"T_DOWN", 15.0},
            {"R", 0.5},
            {"Q", 5.2},
            {"COMMENT", std::string("кирпич")}});
  TempDir dir;
  const Dump d = export_and_read(build_report(ReportId::stat, 0, stat), dir.file("stat.xls"));
  // Values as numbers shown by the report's patterns; texts as texts.
  for (const char* text : {"05.03.2024", "12:30:00", "#0#1.0", "#0.0#20.04", "#0.000#12.3456", "#0.0#35.05",
                           "#0.0#15.0", "#0.000#0.5", "#000.0#5.2"}) {
    EXPECT_NE(d.find(text).find("Arial 10 h2 v1 frame=1111"), std::string::npos) << text;
  }
  EXPECT_NE(d.find("кирпич").find("Arial 10 h1 v1 frame=1111"), std::string::npos);
  EXPECT_NE(d.find("Стационарный метод").find("Arial 12 bold h2 v0"), std::string::npos);
  // λ and its unit: neighbours under one frame.
  const std::string letter = d.find("λ,"), unit = d.find("Вт/м·К");
  EXPECT_NE(letter.find("h3 v1 frame=1011"), std::string::npos) << letter;
  EXPECT_NE(unit.find("h1 v1 frame=0111"), std::string::npos) << unit;
  const auto row = letter.substr(0, letter.find(','));
  const int col = std::stoi(letter.substr(letter.find(',') + 1));
  EXPECT_TRUE(unit.starts_with(row + "," + std::to_string(col + 1) + " ")) << unit;
}

// The instrument's name runs on past its narrow title cell in print; on the sheet its merged
// range reaches to the method's name, so a spreadsheet does not clip it.
TEST(ExcelExport, TitleReachesToTheNextCellOfItsLine) {
  for (const auto& [id, method] :
       {std::pair{ReportId::stat, "Стационарный метод"}, std::pair{ReportId::zond, "Зондовый метод"}}) {
    const auto sheet = TfrOLEExcelExport().to_sheet(build_report(id, 0, MemoryRecordSource{})).sheet;
    const auto at = [&](const std::string& text) {
      for (const auto& c : sheet.cells)
        if (const auto* t = std::get_if<std::string>(&c.value); t && *t == text) return c;
      ADD_FAILURE() << text;
      return xls::SheetCell{};
    };
    const xls::SheetCell title = at("КАЛОРА-5"), next = at(method);
    ASSERT_EQ(title.row, next.row);
    bool merged = false;
    for (const auto& m : sheet.merges)
      if (m.first_row == title.row && m.first_col == title.col) {
        merged = true;
        EXPECT_EQ(m.last_col + 1, next.col) << method;
      }
    EXPECT_TRUE(merged) << method;
  }
}

TEST(ExcelExport, ResistanceViewExportsTheChannelRowsOfTheMask) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd");
  TempDir dir;
  // Channels 1 and 3: channel 3 in the second row, no empty row for channel 2.
  const Dump d = export_and_read(build_report(ReportId::rk, 5, resistance_records(2)), dir.file("rk.xls"));
  EXPECT_FALSE(d.find("Rк, кв.м·К/Вт").empty());
  EXPECT_FALSE(d.find("τ").empty());
  EXPECT_FALSE(d.find("датчик 1").empty());
  EXPECT_FALSE(d.find("датчик 3").empty());
  EXPECT_TRUE(d.find("датчик 2").empty());
  EXPECT_FALSE(d.find("#00.0#-13.0").empty());
  const std::string n1 = d.find("#General#1.0"), type1 = d.find("датчик 1"), type3 = d.find("датчик 3");
  const int n_row = std::stoi(n1), type1_row = std::stoi(type1), type3_row = std::stoi(type3);
  EXPECT_EQ(type1_row, n_row);
  EXPECT_EQ(type3_row, n_row + 1);
  // N, Дата, Время and Режим span the record's block: two grid rows.
  const std::string merge = "merged " + std::to_string(n_row) + " " + std::to_string(n_row + 2) + " ";
  EXPECT_EQ(d.starting(merge).size(), 4u) << n1;

  const Dump one = export_and_read(build_report(ReportId::ro, 1, resistance_records(1)), dir.file("ro.xls"));
  EXPECT_FALSE(one.find("t").empty());
  EXPECT_FALSE(one.find("Rо, кв.м·К/Вт").empty());
  EXPECT_TRUE(one.find("датчик 2").empty());
  EXPECT_TRUE(one.find("датчик 3").empty());
}

TEST(ExcelExport, LongReportsKeepEveryRecordAndBreakBetweenPages) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd");
  MemoryRecordSource source;
  for (int i = 1; i <= 120; ++i) source.add({{"N", double(i)}, {"COMMENT", "запись " + std::to_string(i)}});
  const BuiltReport report = build_report(ReportId::zond, 0, source);
  TempDir dir;
  const Dump d = export_and_read(report, dir.file("long.xls"));
  int previous_row = -1;
  for (int i = 1; i <= 120; ++i) {
    const std::string line = d.find("запись " + std::to_string(i));
    ASSERT_FALSE(line.empty()) << i;
    const int row = std::stoi(line);
    EXPECT_GT(row, previous_row);
    previous_row = row;
  }
  const std::size_t pages = report.pages.size();
  ASSERT_GT(pages, 2u);
  EXPECT_EQ(d.starting("Стр.").size(), 0u);  // cells are listed by place, not by text
  std::vector<int> heading_rows;
  for (std::size_t p = 1; p <= pages; ++p) {
    const std::string footer = "Стр. " + std::to_string(p) + " из " + std::to_string(pages);
    EXPECT_FALSE(d.find(footer).empty()) << footer;
  }
  for (const std::string& l : d.lines) {
    if (l.find(" Примечание | ") != std::string::npos) heading_rows.push_back(std::stoi(l));
  }
  ASSERT_EQ(heading_rows.size(), pages);
  const auto breaks = d.starting("breaks");
  ASSERT_EQ(breaks.size(), 1u);
  std::string expected = "breaks";
  for (std::size_t p = 1; p < pages; ++p) expected += " " + std::to_string(heading_rows[p]);
  EXPECT_EQ(breaks[0], expected);
}

// A report longer than a classic sheet is refused for .xls with the reason and laid
// whole on a 2007 sheet.
TEST(ExcelExport, ReportsLongerThanAClassicSheetGoWholeIntoXlsx) {
  MemoryRecordSource source;
  const int records = 64000;  // a little over a line each
  for (int i = 1; i <= records; ++i) source.add({{"N", double(i)}, {"COMMENT", "запись " + std::to_string(i)}});
  const BuiltReport report = build_report(ReportId::zond, 0, source);
  EXPECT_EQ(TfrOLEExcelExport().to_sheet(report).error, xls::too_many_rows(xls::xls_rows));
  const auto sheet = TfrOLEExcelExport().to_sheet(report, xls::xlsx_rows);
  ASSERT_EQ(sheet.error, "");
  const auto last = std::find_if(sheet.sheet.cells.begin(), sheet.sheet.cells.end(), [&](const xls::SheetCell& c) {
    return c.value == xls::CellValue(std::string("запись ") + std::to_string(records));
  });
  ASSERT_NE(last, sheet.sheet.cells.end());
  EXPECT_GT(last->row, xls::xls_rows);
}

TEST(ExcelExport, ReplacesAnExistingFileAndReportsFailures) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd");
  TempDir dir;
  const std::string path = dir.file("отчёт.xls");
  test::write_bytes(path, std::vector<unsigned char>(100000, 'z'));
  const Dump d = export_and_read(build_report(ReportId::flow, 1, MemoryRecordSource{}), path);
  EXPECT_FALSE(d.find("КАЛОРА-5-ПОТОК").empty());
  EXPECT_LT(test::read_bytes(path).size(), 100000u);
  const std::string missing = dir.file("нет/отчёт.xls");
  EXPECT_NE(TfrOLEExcelExport{}.export_report(build_report(ReportId::flow, 1, MemoryRecordSource{}), missing), "");
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace kalora::reports
