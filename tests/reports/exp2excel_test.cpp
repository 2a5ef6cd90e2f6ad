// "Экспорт в Excel" from the command to the file, with the dialogs answered.
#include "reports/exp2excel.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_program.h"
#include "tests/reports/sample_tables.h"

namespace kalora::reports {
namespace {

class SaveFrontend : public test::RecordingFrontend {
 public:
  std::string answer;  // the file the user picks; empty cancels
  int filter = 1;      // and the filter chosen
  std::vector<FileDialogRequest> requests;
  std::string choose_file(const FileDialogRequest& request) override {
    requests.push_back(request);
    if (request.chosen_filter) *request.chosen_filter = filter;
    return answer;
  }
  bool ask_yes_no_default_no(std::string_view) override { return true; }  // a file there is replaced
};

std::string workbook_text(const std::string& path) {
  const auto r = test::run_program(KALORA_PYTHON, {"-c", R"(
import sys, xlrd
sheet = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)
print('|'.join(str(v) for r in range(sheet.nrows) for v in sheet.row_values(r) if v != ''))
)",
                                                   path});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return r.out;
}

TEST(Exp2Excel, WritesOnlyWhenEveryStepGoesThrough) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd");
  struct Case {
    const char* name;
    bool db_open;
    OuterTab outer;
    std::string answer;  // file name from the dialog ("" cancels)
    bool options_ok;     // the component's options dialog
    bool open_after;
    bool written;
    std::vector<test::Message> messages;
    bool opened;
  };
  test::Tables t("both.bin");
  const std::string target = t.dir.file("отчёт.xls");
  const std::string missing = t.dir.file("нет/отчёт.xls");
  const std::vector<Case> cases{
      {"no database", false, OuterTab::stat, target, true, true, false, {}, false},
      {"view's table closed", true, OuterTab::potok, target, true, true, false, {}, false},
      {"file dialog cancelled", true, OuterTab::stat, "", true, true, false, {}, false},
      {"options cancelled", true, OuterTab::stat, target, false, true, false, {}, false},
      {"written and opened", true, OuterTab::zond, target, true, true, true, {}, true},
      {"written, not opened", true, OuterTab::stat, target, true, false, true, {}, false},
      {"folder missing",
       true,
       OuterTab::stat,
       missing,
       true,
       true,
       false,
       {{test::Message::error, "Ошибка ввода-вывода: не удалось создать файл \"" + missing + "\""}},
       false},
  };
  t.state->default_dir = t.dir.path().string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::write_bytes(target, {'o', 'l', 'd'});
    t.state->db_open = c.db_open;
    SaveFrontend frontend;
    frontend.answer = c.answer;
    TfrOLEExcelExport exporter;
    exporter.OpenExcelAfterExport = c.open_after;
    int dialogs = 0;
    std::vector<std::string> opened;
    exporter.show_options = [&](TfrOLEExcelExport&) { return ++dialogs, c.options_ok; };
    exporter.open_workbook = [&](const std::string& path) { return opened.push_back(path), true; };

    EXPECT_EQ(Excel1Click(*t.state, frontend, c.outer, InnerTab::flow, exporter), c.written);
    const std::vector<unsigned char> old{'o', 'l', 'd'};
    EXPECT_EQ(test::read_bytes(target) != old, c.written);
    EXPECT_EQ(frontend.messages, c.messages);
    EXPECT_EQ(opened.size(), c.opened ? 1u : 0u);
    if (c.opened && !opened.empty()) {
      EXPECT_EQ(opened[0], target);
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    const bool asked = c.db_open && c.outer != OuterTab::potok;
    ASSERT_EQ(frontend.requests.size(), asked ? 1u : 0u);
    if (asked) {
      EXPECT_EQ(frontend.requests[0].kind, FileDialogRequest::Kind::save);
      EXPECT_EQ(frontend.requests[0].filter, "Книга Excel|*.xls|Книга Excel 2007 и новее|*.xlsx|Текст CSV|*.csv");
      EXPECT_EQ(frontend.requests[0].default_extension, "xls");
      EXPECT_EQ(frontend.requests[0].initial_dir, t.dir.path().string());
    }
    EXPECT_EQ(dialogs, asked && !c.answer.empty() ? 1 : 0);
    if (c.written) {
      const std::string text = workbook_text(target);
      EXPECT_NE(text.find(c.outer == OuterTab::zond ? "Зондовый метод" : "Стационарный метод"), std::string::npos);
    }
  }
}

TEST(Exp2Excel, TheFileWrittenIsOfTheKindItsNameOrTheFilterChosenSays) {
  struct Case {
    const char* name;
    int filter;
    std::string_view starts;  // the kind's first bytes
  };
  const std::string_view xls{"\xD0\xCF\x11\xE0", 4}, xlsx{"PK\x03\x04", 4}, csv{"\xEF\xBB\xBFN;", 5};
  const Case cases[] = {{"a.xls", 1, xls}, {"b", 1, xls},       {"c", 2, xlsx},    {"d", 3, csv},
                        {"e.csv", 1, csv}, {"f.XLSX", 3, xlsx}, {"g.txt", 3, csv}, {"h", 7, xls}};
  test::Tables t("stat.bin");
  t.state->db_open = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
#ifndef KALORA_HAVE_XLSX
    if (c.starts == xlsx) continue;
#endif
    SaveFrontend frontend;
    frontend.answer = t.dir.file(c.name);
    frontend.filter = c.filter;
    TfrOLEExcelExport exporter;
    ASSERT_TRUE(Excel1Click(*t.state, frontend, OuterTab::stat, InnerTab::flow, exporter));
    const std::vector<unsigned char> bytes = test::read_bytes(frontend.answer);
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()).starts_with(c.starts));
  }
}

TEST(Exp2Excel, TheRkPageExportsReportFourWithItsChannels) {
  KALORA_NEEDS_LINUX_TOOL("python3 with xlrd");
  test::Tables t("flow.bin");
  t.state->db_open = true;
  t.state->Dbf3.set_filter("MEASUR=1");  // as the "Rк" page shows the table
  t.state->Dbf3.set_filtered(true);
  SaveFrontend frontend;
  frontend.answer = t.dir.file("rk.xls");
  TfrOLEExcelExport exporter;
  ASSERT_TRUE(Excel1Click(*t.state, frontend, OuterTab::potok, InnerTab::rk, exporter));
  const std::string text = workbook_text(frontend.answer);
  for (const char* part : {"КАЛОРА-5-ПОТОК", "Rк, кв.м·К/Вт", "τ|в, °C|τ|н, °C", "12X80", "110X110", "Стр. 1 из "}) {
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  }
  EXPECT_EQ(text.find("Rо,"), std::string::npos);
}

}  // namespace
}  // namespace kalora::reports
