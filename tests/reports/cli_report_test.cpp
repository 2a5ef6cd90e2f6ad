// kalora-cli report: every view of the sample databases as a PDF file read back
// with pdftotext and as a workbook read back with xlrd, against the report the
// program builds from the same database.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <regex>
#include <sstream>

#include "db/container.h"
#include "reports/csv_export.h"
#include "reports/view_report.h"
#include "support/recording_frontend.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/workbook_texts.h"
#include "views/potok_filter.h"

namespace kalora::reports {
namespace {

struct View {
  const char* name;
  ReportId report;
  int table;   // 1, 2, 3
  int measur;  // the heat-flow page's filter; -1 for none
};
constexpr std::array views{View{"stat", ReportId::stat, 1, -1}, View{"zond", ReportId::zond, 2, -1},
                           View{"flow", ReportId::flow, 3, 2}, View{"rk", ReportId::rk, 3, 1},
                           View{"ro", ReportId::ro, 3, 0}};

test::RunResult cli(const std::vector<std::string>& args) { return test::run_program(KALORA_CLI, args); }

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// The page texts of a PDF file.
std::vector<std::string> pdf_pages(const std::string& path) {
  const auto r = test::run_program("pdftotext", {"-layout", path, "-"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  auto pages = split(r.out, '\f');
  if (!pages.empty() && pages.back().find_first_not_of(" \n") == std::string::npos) pages.pop_back();
  return pages;
}

// The report of a view as the program builds it from the database; no pages when
// the database lacks the view's table.
BuiltReport expected_report(const std::string& db, const View& view) {
  State state;
  test::RecordingFrontend frontend;
  EXPECT_EQ(Open_DB(state, frontend, db), DbResult::ok);
  BuiltReport report;
  if (report_table(state, view.report).is_open()) {
    if (view.measur >= 0) views::potok_filter(state, static_cast<std::uint8_t>(view.measur));
    report = build_view_report(state, view.report);
    state.Dbf3.set_filtered(false);
  }
  Close_DB(state, frontend);
  return report;
}

// The texts of a report in reading order, its measured values left out (the
// workbook holds them as numbers).
std::vector<std::string> report_texts(const BuiltReport& report) {
  std::vector<std::string> texts;
  for (const Page& page : report.pages) {
    std::vector<const PageCell*> cells;
    for (const PageCell& c : page.cells) {
      if (!c.text.empty() && !c.number) cells.push_back(&c);
    }
    std::stable_sort(cells.begin(), cells.end(), [](const PageCell* a, const PageCell* b) {
      return std::pair(a->y, a->x) < std::pair(b->y, b->x);
    });
    for (const PageCell* c : cells) texts.push_back(c->text);
  }
  return texts;
}

// Every word of every cell of a page shows on the printed page (headings may wrap).
void expect_page_shows(const std::string& printed, const Page& page) {
  for (const PageCell& c : page.cells) {
    for (const std::string& word : split(c.text, ' ')) {
      if (!word.empty()) {
        EXPECT_NE(printed.find(word), std::string::npos) << word;
      }
    }
  }
}

class CliReport : public testing::Test {
 protected:
  test::TempDir dir;

  std::string make_db(const std::string& image) {
    const std::string db = dir.file(image + ".db");
    const auto r = cli({"bin2db", std::string(KALORA_SAMPLES) + "/" + image + ".bin", db});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return db;
  }
};

TEST_F(CliReport, EveryViewOfTheSamplesPrintsAndExportsItsReport) {
  KALORA_NEEDS_LINUX_TOOL("pdftotext, python3 with xlrd");
  KALORA_NEEDS_CLI_PDF();
  int written = 0;
  for (const char* image : {"stat", "zond", "both", "flow"}) {
    const std::string db = make_db(image);
    for (const View& view : views) {
      SCOPED_TRACE(std::string(image) + " " + view.name);
      const BuiltReport expected = expected_report(db, view);
      const std::string pdf = dir.file(std::string(image) + "-" + view.name + ".pdf");
      const std::string xls = dir.file(std::string(image) + "-" + view.name + ".xls");
      const auto to_pdf = cli({"report", db, view.name, pdf});
      const auto to_xls = cli({"report", db, view.name, xls});
      if (expected.pages.empty()) {
        // The database has no such table: refused, nothing written.
        EXPECT_EQ(to_pdf.exit_code, 1);
        EXPECT_NE(to_pdf.err.find("В базе данных нет таблицы"), std::string::npos) << to_pdf.err;
        EXPECT_EQ(to_xls.exit_code, 1);
        EXPECT_FALSE(std::filesystem::exists(pdf) || std::filesystem::exists(xls));
        continue;
      }
      ASSERT_EQ(to_pdf.exit_code, 0) << to_pdf.err;
      ASSERT_EQ(to_xls.exit_code, 0) << to_xls.err;
      EXPECT_TRUE(to_pdf.err.empty()) << to_pdf.err;  // no chatter from the painter

      const auto pages = pdf_pages(pdf);
      ASSERT_EQ(pages.size(), expected.pages.size());
      const std::string count = std::to_string(pages.size());
      for (std::size_t p = 0; p < pages.size(); ++p) {
        EXPECT_NE(pages[p].find("Стр. " + std::to_string(p + 1) + " из " + count), std::string::npos);
        EXPECT_EQ(pages[p].find("КАЛОРА-5") != std::string::npos, p == 0);  // the title on page 1 only
        EXPECT_NE(pages[p].find("Примечание"), std::string::npos);
        expect_page_shows(pages[p], expected.pages[p]);
      }
      EXPECT_TRUE(std::regex_search(pages[0], std::regex("[0-9],[0-9]")));  // a decimal comma
      const std::string letter = view.report == ReportId::ro     ? "t в, °C"
                                 : view.report == ReportId::rk   ? "τ в, °C"
                                 : view.report == ReportId::flow ? "q, Вт/кв.м"
                                                                 : "λ, Вт/м·К";
      EXPECT_NE(pages[0].find(letter), std::string::npos) << letter;
      if (view.report == ReportId::zond) {
        EXPECT_NE(pages[0].find("ρ, кг/куб.м"), std::string::npos);
      }

      // The workbook holds the report's texts in its order.
      EXPECT_EQ(test::workbook_texts(KALORA_PYTHON, xls), report_texts(expected));
      ++written;
    }
  }
  EXPECT_EQ(written, 1 + 1 + 2 + 3);
}

// The rows of a CSV file as Python's csv module reads them, a line break inside a
// field written as "\\n".
std::vector<std::vector<std::string>> csv_rows(const std::string& path) {
  const auto r = test::run_program(KALORA_PYTHON, {"-c", R"(
import csv, sys
with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:
    for row in csv.reader(f, delimiter=';'):
        print('\x1f'.join(field.replace('\n', '\\n') for field in row))
)",
                                                   path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : split(r.out, '\n')) rows.push_back(split(line + '\x1f', '\x1f'));
  return rows;
}

// The shortest decimal form that reads back as `value`, with a comma.
std::string shortest(double value) {
  char buffer[32];
  std::string text(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
  std::replace(text.begin(), text.end(), '.', ',');
  return text;
}

TEST_F(CliReport, CsvHoldsTheViewsRecordsAsStored) {
  KALORA_NEEDS_LINUX_TOOL("python3");
  const char* comment = "стена; \"угол\"\nвторая строка";
  int written = 0;
  for (const char* image : {"both", "flow"}) {
    const std::string db = make_db(image);
    {  // a comment that needs quoting, on the first record of each table
      State state;
      test::RecordingFrontend frontend;
      ASSERT_EQ(Open_DB(state, frontend, db), DbResult::ok);
      for (auto [table, field] :
           {std::pair{&state.Dbf1, "COMMENT"}, {&state.Dbf2, "COMMENT"}, {&state.Dbf3, "COMMENT_1"}}) {
        if (!table->is_open()) continue;
        table->first();
        table->set_text(field, comment);
        table->post();
      }
      ASSERT_EQ(Save_DB(state, frontend), DbResult::ok);
      Close_DB(state, frontend);
    }
    for (const View& view : views) {
      SCOPED_TRACE(std::string(image) + " " + view.name);
      const std::string out = dir.file(std::string(image) + "-" + view.name + ".csv");
      const auto r = cli({"report", db, view.name, out});
      State state;
      test::RecordingFrontend frontend;
      ASSERT_EQ(Open_DB(state, frontend, db), DbResult::ok);
      db::DbfTable& table = report_table(state, view.report);
      if (!table.is_open()) {
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_FALSE(std::filesystem::exists(out));
        Close_DB(state, frontend);
        continue;
      }
      ASSERT_EQ(r.exit_code, 0) << r.err;
      if (view.measur >= 0) views::potok_filter(state, static_cast<std::uint8_t>(view.measur));
      const auto columns = csv_columns(view.report, state.channel_mask);
      const auto rows = csv_rows(out);
      ASSERT_EQ(rows.size(), table.record_count() + 1);
      ASSERT_EQ(rows[0].size(), columns.size());
      for (std::size_t k = 0; k < columns.size(); ++k) EXPECT_EQ(rows[0][k], columns[k].title);
      std::size_t i = 1;
      for (table.first(); !table.eof(); table.next(), ++i) {
        ASSERT_EQ(rows[i].size(), columns.size()) << i;
        for (std::size_t k = 0; k < columns.size(); ++k) {
          const std::string& field = columns[k].field;
          const auto def = std::find_if(table.schema().fields.begin(), table.schema().fields.end(),
                                        [&](const db::FieldDef& f) { return f.name == field; });
          const bool stored_number = def->type == 'N' && !def->calculated;
          const auto number = stored_number ? table.number(field) : std::nullopt;
          std::string text = table.text(field);
          text.erase(text.find_last_not_of(' ') + 1);
          for (auto at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) text.replace(at, 1, "\\n");
          EXPECT_EQ(rows[i][k], number ? shortest(*number) : text) << field << " of record " << i;
        }
      }
      if (view.measur >= 0) state.Dbf3.set_filtered(false);
      Close_DB(state, frontend);
      ++written;
    }
  }
  EXPECT_EQ(written, 2 + 3);
}

TEST_F(CliReport, AnEmptyTableStillGivesTitleHeadingsAndFooter) {
  KALORA_NEEDS_LINUX_TOOL("pdftotext, python3 with xlrd");
  KALORA_NEEDS_CLI_PDF();
  const std::string db = make_db("stat");
  {
    State state;
    test::RecordingFrontend frontend;
    ASSERT_EQ(Open_DB(state, frontend, db), DbResult::ok);
    for (state.Dbf1.first(); !state.Dbf1.eof();) state.Dbf1.delete_record();
    state.tables_modified = true;
    ASSERT_EQ(Save_DB(state, frontend), DbResult::ok);
    Close_DB(state, frontend);
  }
  const std::string pdf = dir.file("empty.pdf");
  const std::string xls = dir.file("empty.xls");
  ASSERT_EQ(cli({"report", db, "stat", pdf}).exit_code, 0);
  ASSERT_EQ(cli({"report", db, "stat", xls}).exit_code, 0);
  const auto pages = pdf_pages(pdf);
  ASSERT_EQ(pages.size(), 1u);
  for (const char* text : {"КАЛОРА-5", "Стационарный метод", "Дата", "R, кв.м·К/Вт", "Стр. 1 из 1"}) {
    EXPECT_NE(pages[0].find(text), std::string::npos) << text;
  }
  const auto texts = test::workbook_texts(KALORA_PYTHON, xls);
  for (const char* text : {"КАЛОРА-5", "Стационарный метод", "Дата", "Примечание", "Стр. 1 из 1"}) {
    EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << text;
  }
}

// Channel types all 0: no channel rows, but every record still prints its block.
TEST_F(CliReport, HeatFlowRecordsPrintWithoutAnyChannel) {
  KALORA_NEEDS_LINUX_TOOL("pdftotext, python3 with xlrd");
  KALORA_NEEDS_CLI_PDF();
  const std::string db = make_db("flow");
  auto bytes = test::read_bytes(db);
  bytes[8] = bytes[9] = 0;  // the container's channel mask
  test::write_bytes(db, bytes);
  const std::regex date(R"(\d\d\.\d\d\.\d{4})");
  const auto dates = [&](const std::string& text) {
    return std::distance(std::sregex_iterator(text.begin(), text.end(), date), std::sregex_iterator());
  };
  for (const View& view : views) {
    if (view.table != 3) continue;
    SCOPED_TRACE(view.name);
    std::ptrdiff_t records = 0;
    {
      State state;
      test::RecordingFrontend frontend;
      ASSERT_EQ(Open_DB(state, frontend, db), DbResult::ok);
      ASSERT_EQ(state.channel_mask, 0);
      views::potok_filter(state, static_cast<std::uint8_t>(view.measur));
      for (state.Dbf3.first(); !state.Dbf3.eof(); state.Dbf3.next()) ++records;
      Close_DB(state, frontend);
    }
    ASSERT_GT(records, 0);
    const std::string pdf = dir.file(std::string(view.name) + ".pdf");
    const std::string xls = dir.file(std::string(view.name) + ".xls");
    ASSERT_EQ(cli({"report", db, view.name, pdf}).exit_code, 0);
    ASSERT_EQ(cli({"report", db, view.name, xls}).exit_code, 0);
    std::string printed;
    for (const std::string& page : pdf_pages(pdf)) printed += page;
    EXPECT_EQ(dates(printed), records);
    std::string exported;
    for (const std::string& text : test::workbook_texts(KALORA_PYTHON, xls)) exported += text + "\n";
    EXPECT_EQ(dates(exported), records);
  }
}

TEST_F(CliReport, ReplacesAnExistingFileAndRefusesWrongUse) {
  KALORA_NEEDS_LINUX_TOOL("pdftotext, python3 with xlrd");
  KALORA_NEEDS_CLI_PDF();
  const std::string db = make_db("zond");
  for (const char* name : {"old.pdf", "old.XLS", "old.xlsx", "old.csv"}) {
    const std::string out = dir.file(name);
    test::write_bytes(out, std::vector<unsigned char>(100000, 'x'));
    ASSERT_EQ(cli({"report", db, "zond", out}).exit_code, 0) << name;
    const auto bytes = test::read_bytes(out);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 'x') > 50000, false) << name;
  }
  EXPECT_NE(test::workbook_texts(KALORA_PYTHON, dir.file("old.XLS")).size(), 0u);
  EXPECT_EQ(pdf_pages(dir.file("old.pdf")).size(), 1u);

  struct Case {
    std::vector<std::string> args;
    int exit_code;
  };
  const std::vector<Case> cases{
      {{"report", db, "stat", dir.file("a.pdf")}, 1},    // no such table in the database
      {{"report", db, "потоки", dir.file("a.pdf")}, 2},  // no such view
      {{"report", db, "zond", dir.file("a.txt")}, 2},    // no such output
      {{"report", db, "zond"}, 2},                       // too few arguments
      {{"report", dir.file("нет.db"), "zond", dir.file("a.pdf")}, 2},
      {{"report", db, "zond", dir.file("нет/a.pdf")}, 2},
      {{"report", db, "zond", dir.file("нет/a.xls")}, 2},
      {{"report", db, "zond", dir.file("нет/a.xlsx")}, 2},
      {{"report", db, "zond", dir.file("нет/a.csv")}, 2},
  };
  for (const Case& c : cases) {
    const auto r = cli(c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.args.back() << ' ' << r.err;
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.pdf")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("нет")));
}

#ifdef _WIN32
// Where Qt finds no font the pages would have no letters: refused, nothing written.
TEST_F(CliReport, NoFontNoPdf) {
  KALORA_NEEDS_CLI_PDF();
  const std::string db = make_db("zond");
  const test::TempDir no_fonts;
  const wchar_t* fonts = _wgetenv(L"QT_QPA_FONTDIR");
  const std::wstring kept = fonts ? fonts : L"";
  SetEnvironmentVariableW(L"QT_QPA_FONTDIR", no_fonts.path().wstring().c_str());
  const auto r = cli({"report", db, "zond", dir.file("a.pdf")});
  SetEnvironmentVariableW(L"QT_QPA_FONTDIR", fonts ? kept.c_str() : nullptr);
  EXPECT_EQ(r.exit_code, 2) << r.err;
  EXPECT_NE(r.err.find("Не найдено ни одного шрифта"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.pdf")));
}
#endif

TEST_F(CliReport, NeedsNoScreenWhateverTheEnvironmentSays) {
#ifdef _WIN32
  GTEST_SKIP() << "the display's variables are Linux's";
#endif
  const std::string db = make_db("zond");
  for (const char* name : {"a.pdf", "a.xls"}) {
    const auto r = test::run_program("env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb",
                                             KALORA_CLI, "report", db, "zond", dir.file(name)});
    EXPECT_EQ(r.exit_code, 0) << name << ' ' << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
  }
}

}  // namespace
}  // namespace kalora::reports
