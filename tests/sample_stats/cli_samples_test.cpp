// kalora-cli samples and comment: the JSON document read back by Python's json
// module against the groups the program makes of the same rows; the test record as
// PDF read back by pdftotext and as a workbook read back by openpyxl; the sample
// database as its script makes it; refusals and usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "db/container.h"
#include "db/tables.h"
#include "protocol/particulars.h"
#include "sample_stats/sample_record.h"
#include "support/recording_frontend.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace kalora::samples {
namespace {

test::RunResult cli(const std::vector<std::string>& args) { return test::run_program(KALORA_CLI, args); }

const std::string sample_db = std::string(KALORA_SAMPLES) + "/samples.db";

SampleResults results_of(const std::string& db, Method method) {
  State state;
  test::RecordingFrontend frontend;
  EXPECT_EQ(Open_DB(state, frontend, db), DbResult::ok);
  auto results = sample_groups(read_sample_rows(table(state, static_cast<int>(method)), method), method);
  Close_DB(state, frontend);
  return results;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// What flatten_json.py prints for a number: whole numbers as integers, else 17 digits.
std::string flat(std::optional<double> v) {
  if (!v) return "null";
  char b[40];
  std::snprintf(b, sizeof b, *v == std::floor(*v) && std::fabs(*v) < 1e15 ? "%.0f" : "%.17g", *v);
  return b;
}

std::vector<std::string> expected_json_lines(const SampleResults& r) {
  std::vector<std::string> out{"table " + std::to_string(static_cast<int>(r.method)),
                               "groups [" + std::to_string(r.groups.size()) + "]"};
  const auto numbers = [&](const std::string& path, const std::vector<std::size_t>& rows) {
    out.push_back(path + " [" + std::to_string(rows.size()) + "]");
    for (std::size_t k = 0; k < rows.size(); ++k)
      out.push_back(path + "[" + std::to_string(k) + "] " + flat(r.rows[rows[k]].n));
  };
  for (std::size_t i = 0; i < r.groups.size(); ++i) {
    const SampleGroup& g = r.groups[i];
    const std::string p = "groups[" + std::to_string(i) + "].";
    out.push_back(p + "name " + g.name);
    out.push_back(p + "commented " + (g.commented ? "true" : "false"));
    numbers(p + "rows", g.rows);
    out.push_back(p + "n " + std::to_string(g.n));
    std::vector<std::pair<std::string, std::optional<double>>> figures{
        {"lambda_mean", g.lambda_mean}, {"lambda_sd", g.lambda_sd},   {"lambda_cv", g.lambda_cv},
        {"lambda_ci95", g.lambda_ci95}, {"lambda_min", g.lambda_min}, {"lambda_max", g.lambda_max}};
    if (r.method == Method::stationary)
      figures.insert(figures.end(),
                     {{"thick_mean", g.thick_mean}, {"r_mean", g.r_mean}, {"q_mean", g.q_mean}, {"t_mean", g.t_mean}});
    else
      figures.insert(figures.end(), {{"c_mean", g.c_mean}, {"rho_mean", g.rho_mean}, {"a_mm2_s", g.diffusivity}});
    for (const auto& [key, v] : figures) out.push_back(p + key + ' ' + flat(v));
    if (!g.fit) {
      out.push_back(p + "fit null");
    } else {
      const LineFit& f = *g.fit;
      for (const auto& [key, v] :
           std::vector<std::pair<std::string, std::optional<double>>>{{"lambda0", f.lambda0},
                                                                      {"b", f.b},
                                                                      {"r2", f.r2},
                                                                      {"lambda10", f.lambda_low},
                                                                      {"lambda25", f.lambda_high},
                                                                      {"t_min", f.t_min},
                                                                      {"t_max", f.t_max}})
        out.push_back(p + "fit." + key + ' ' + flat(v));
      out.push_back(p + "fit.lambda10_outside " + (f.low_outside ? "true" : "false"));
      out.push_back(p + "fit.lambda25_outside " + (f.high_outside ? "true" : "false"));
    }
    numbers(p + "outliers", g.outliers);
  }
  return out;
}

TEST(CliSamples, JsonReadsBackAsTheGroups) {
  KALORA_NEEDS_LINUX_TOOL("sh and python3");
  test::TempDir dir;
  for (const Method method : {Method::stationary, Method::probe}) {
    const std::string which = std::to_string(static_cast<int>(method));
    SCOPED_TRACE(which);
    const auto r = cli({"samples", sample_db, which, "--json"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string json = dir.file("out.json");
    test::write_bytes(json, {r.out.begin(), r.out.end()});
    const auto flat =
        test::run_program("sh", {"-c", "\"$0\" \"$1\" < \"$2\"", KALORA_PYTHON, KALORA_FLATTEN_SCRIPT, json});
    ASSERT_EQ(flat.exit_code, 0) << flat.err;
    const SampleResults expected = results_of(sample_db, method);
    EXPECT_EQ(lines_of(flat.out), expected_json_lines(expected));
    // The sample holds what the tests of the window and the record rely on.
    EXPECT_GE(expected.groups.size(), 5u);
  }
}

// Refusals and usage errors of both commands: the exit code, the message, and the
// comment typed or not.
TEST(CliSamples, ExitCodesAndMessages) {
  test::TempDir dir;
  const std::string flow = dir.file("flow.db"), stat = dir.file("stat.db"), db = dir.file("s.db");
  ASSERT_EQ(cli({"bin2db", std::string(KALORA_SAMPLES) + "/flow.bin", flow}).exit_code, 0);
  ASSERT_EQ(cli({"bin2db", std::string(KALORA_SAMPLES) + "/stat.bin", stat}).exit_code, 0);
  std::filesystem::copy_file(test::utf8_path(sample_db), test::utf8_path(db));
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string message;  // part of stderr
  };
  const std::vector<Case> cases{
      {{"samples", flow, "1"}, 1, "В базе данных нет таблицы стационарного метода"},
      {{"samples", stat, "2", "--json"}, 1, "В базе данных нет таблицы зондового метода"},
      {{"samples", stat, "3"}, 2, "usage"},
      {{"samples", stat, "1", "--pdf"}, 2, "usage"},
      {{"samples", stat, "1", "--json", "--xlsx"}, 2, "usage"},
      {{"samples", dir.file("missing.db"), "1"}, 2, ""},
      {{"samples", stat, "1", "--xlsx", dir.file("no/such/folder/out.xlsx")}, 2, ""},
      {{"comment", db, "1", "0", "x"}, 2, "usage"},
      {{"comment", db, "1", "99", "x"}, 1, "В таблице нет строки 99"},
      {{"comment", db, "2", "1", "昨日"}, 1, "Windows-1251"},
      {{"comment", db, "1", "1", std::string(51, 'a')}, 1, "Windows-1251"},
      {{"comment", flow, "2", "1", "x"}, 1, "В базе данных нет таблицы зондового метода"},
      {{"comment", db, "2", "3", "  Новый образец "}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[2] + (c.args.size() > 3 ? " " + c.args[3] : ""));
    const auto r = cli(c.args);
    EXPECT_EQ(r.exit_code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "no"));
  // Only the last case changed the database, and only that row's comment.
  const SampleResults before = results_of(sample_db, Method::probe), after = results_of(db, Method::probe);
  ASSERT_EQ(after.rows.size(), before.rows.size());
  for (std::size_t i = 0; i < after.rows.size(); ++i)
    EXPECT_EQ(after.rows[i].comment, i == 2 ? "  Новый образец" : before.rows[i].comment) << i;
}

// The protocol's particulars as a laboratory fills them, the customer's left to fill by hand.
constexpr std::string_view protocol_json = R"({"organisation": "ИЛ «Теплофизика»", "organisation_address":
  "г. Самара, ул. Лабораторная, 1", "accreditation": "RA.RU.21АБ01", "object": "Жилой дом",
  "object_address": "г. Самара, ул. Садовая, 5", "element": "Наружная стена", "sensor_place": "Комната 3",
  "instrument": "КАЛОРА-5, заводской № 0421", "verification": "С-АБ/01-02-2026",
  "operator": "Петров П. П.", "protocol_number": "17-Т", "protocol_date": "09.12.2026"})";

std::string write_protocol(const test::TempDir& dir) {
  const std::string path = dir.file("protocol.json");
  test::write_bytes(path, {protocol_json.begin(), protocol_json.end()});
  return path;
}

// The particulars on the printed pages: the heading, each line, an empty one to fill
// by hand, and the places for the signatures.
const std::vector<std::string> protocol_lines{
    "ПРОТОКОЛ ИСПЫТАНИЙ № 17-Т от 09.12.2026",       "Испытательная лаборатория: ИЛ «Теплофизика»",
    "Аттестат аккредитации №: RA.RU.21АБ01",         "Заказчик: ________________________",
    "Место установки датчиков: Комната 3",           "Свидетельство о поверке (№, дата): С-АБ/01-02-2026",
    "Исполнитель ________________ / Петров П. П. /", "Руководитель испытательной лаборатории"};

// The printed record as PDF and as a workbook, each read back by a reader we did not write.
TEST(CliSamples, RecordAsPdfAndWorkbook) {
  KALORA_NEEDS_LINUX_TOOL("pdftotext, python3 with openpyxl");
  KALORA_NEEDS_CLI_PDF();
  test::TempDir dir;
  const SampleResults results = results_of(sample_db, Method::stationary);
  const std::string protocol = write_protocol(dir);
  const auto particulars = protocol::parse_particulars_json(protocol_json).particulars;
  const reports::BuiltReport expected = sample_record(results, {particulars, sample_db, today_text()});
  const std::string pdf = dir.file("record.pdf"), xlsx = dir.file("record.xlsx");
  ASSERT_EQ(cli({"samples", sample_db, "1", "--pdf", pdf, "--protocol", protocol}).exit_code, 0);
  ASSERT_EQ(cli({"samples", sample_db, "1", "--protocol", protocol, "--xlsx", xlsx}).exit_code, 0);
  const auto texts = test::run_program(
      KALORA_PYTHON, {"-c",
                      "import openpyxl, sys\n"
                      "for row in openpyxl.load_workbook(sys.argv[1]).active.iter_rows(values_only=True):\n"
                      "  print(' '.join(v for v in row if isinstance(v, str)))",
                      xlsx});
  ASSERT_EQ(texts.exit_code, 0) << texts.err;
  for (const std::string& want : protocol_lines) EXPECT_NE(texts.out.find(want), std::string::npos) << want;

  const auto text = test::run_program("pdftotext", {"-layout", pdf, "-"});
  ASSERT_EQ(text.exit_code, 0) << text.err;
  std::string all = text.out;
  const std::size_t page_count = static_cast<std::size_t>(std::count(all.begin(), all.end(), '\f'));
  EXPECT_EQ(page_count, expected.pages.size());
  std::vector<std::string> wanted{"ПРОТОКОЛ ИСПЫТАНИЙ",
                                  "Стационарный метод",
                                  "samples.db",
                                  "Дата печати: " + today_text(),
                                  "Образец: ПСБ-С 25",
                                  "Образец: (без комментария)",
                                  "возможный выброс",
                                  "вне диапазона tср",
                                  "Стр. 1 из " + std::to_string(expected.pages.size()),
                                  "λ = λ0 + b·tср"};  // a group's plot, vector in the PDF
  wanted.insert(wanted.end(), protocol_lines.begin(), protocol_lines.end());
  for (const std::string& want : wanted) EXPECT_NE(all.find(want), std::string::npos) << want;
  // The particulars also reach the printed analysis; a wrong file is a usage error naming it.
  const std::string wall = dir.file("wall.db");
  ASSERT_EQ(cli({"bin2db", std::string(KALORA_SAMPLES) + "/wall.bin", wall}).exit_code, 0);
  ASSERT_EQ(cli({"analyze", wall, "--protocol", protocol, "--pdf", dir.file("a.pdf")}).exit_code, 0);
  const auto analysis = test::run_program("pdftotext", {"-layout", dir.file("a.pdf"), "-"});
  for (const std::string& want : protocol_lines) EXPECT_NE(analysis.out.find(want), std::string::npos) << want;
  const std::string unknown = dir.file("unknown.json"), list = dir.file("list.json");
  test::write_bytes(unknown, {'{', '"', 'k', 'e', 'y', '"', ':', '"', '"', '}'});
  test::write_bytes(list, {'[', ']'});
  struct Wrong {
    std::vector<std::string> args;
    std::string message;
  };
  const Wrong wrong[] = {
      {{"samples", sample_db, "1", "--pdf", dir.file("b.pdf"), "--protocol", unknown}, "неизвестный ключ «key»"},
      {{"analyze", wall, "--pdf", dir.file("b.pdf"), "--protocol", list}, list + ": файл не объект JSON"},
      {{"samples", sample_db, "1", "--json", "--protocol", protocol}, "--protocol только вместе с --pdf или --xlsx"},
      {{"analyze", wall, "--protocol", dir.file("missing.json"), "--pdf", dir.file("b.pdf")}, "missing.json"},
  };
  for (const Wrong& w : wrong) {
    const auto r = cli(w.args);
    EXPECT_EQ(r.exit_code, 2) << w.message;
    EXPECT_NE(r.err.find(w.message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("b.pdf")));
  // Every number of the record is on its page as the record shows it.
  for (const reports::Page& page : expected.pages)
    for (const reports::PageCell& c : page.cells)
      if (c.number) {
        EXPECT_NE(all.find(c.text), std::string::npos) << c.text;
      }

  // The workbook: numbers as numbers, in the record's order, with the values it shows.
  const auto sheet = test::run_program(KALORA_PYTHON, {KALORA_READ_SHEET_SCRIPT, xlsx});
  ASSERT_EQ(sheet.exit_code, 0) << sheet.err;
  std::vector<const reports::PageCell*> numbers;
  for (const reports::Page& page : expected.pages) {
    std::vector<const reports::PageCell*> on_page;
    for (const reports::PageCell& c : page.cells)
      if (c.number) on_page.push_back(&c);
    std::stable_sort(on_page.begin(), on_page.end(),
                     [](auto* a, auto* b) { return std::pair(a->y, a->x) < std::pair(b->y, b->x); });
    numbers.insert(numbers.end(), on_page.begin(), on_page.end());
  }
  std::vector<std::string> read;
  for (const std::string& line : lines_of(sheet.out))
    if (line.starts_with("N ")) read.push_back(line);
  ASSERT_EQ(read.size(), numbers.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    std::istringstream in(read[i].substr(2));
    std::string value, shown;
    in >> value >> shown;
    // The workbook keeps 16 significant digits.
    EXPECT_NEAR(std::stod(value), *numbers[i]->number, 1e-15 * std::fabs(*numbers[i]->number)) << read[i];
    EXPECT_EQ(shown, numbers[i]->text) << read[i];
  }
}

// samples/samples.db is what samples/make-samples.sh makes: the image's rows with
// the comments the script types.
TEST(CliSamples, SampleDatabaseIsWhatItsScriptMakes) {
#ifdef _WIN32
  GTEST_SKIP() << "the script runs the Linux kalora-cli and kalora-sim";
#endif
  test::TempDir dir;
  const auto made = test::run_program(
      "bash", {std::string(KALORA_SAMPLES) + "/make-samples.sh",
               std::filesystem::path(KALORA_CLI).parent_path().string(), test::utf8_string(dir.path())});
  ASSERT_EQ(made.exit_code, 0) << made.err;
  for (const char* which : {"1", "2"}) {
    const auto shipped = cli({"dump", sample_db, which}), fresh = cli({"dump", dir.file("samples.db"), which});
    ASSERT_EQ(shipped.exit_code, 0);
    EXPECT_EQ(fresh.out, shipped.out) << which;
  }
}

}  // namespace
}  // namespace kalora::samples
