// kalora-cli samples: results per sample of the stationary or probe table; and
// comment, which types a row's comment as the grid would.
#include "tools/cli_samples.h"
#include "tools/exit_codes.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <iostream>
#include <optional>

#include "core/printable.h"
#include "db/container.h"
#include "db/db_texts.h"
#include "db/tables.h"
#include "reports/excel_export.h"
#include "sample_stats/sample_record.h"
#include "sample_stats/samples_json.h"
#include "sample_stats/samples_text.h"
#include "tools/cli_pdf.h"
#include "tools/cli_protocol.h"
#include "tools/cli_recover.h"
#include "tools/command_line.h"
#include "tools/console_frontend.h"
#include "views/comment_text.h"

namespace kalora {

namespace {

constexpr std::string_view usage_text =
    "usage: kalora-cli samples DB.db 1|2 [--json | --pdf OUT.pdf | --xlsx OUT.xlsx] [--protocol FILE.json]\n"
    "  --protocol: the particulars of the test protocol that the PDF or workbook carries.\n";

enum class Output { text, json, pdf, xlsx };

struct Request {
  std::string db;
  samples::Method method = samples::Method::stationary;
  Output output = Output::text;
  std::string path;
  protocol::Particulars particulars;
};

std::optional<Request> parse(std::span<const std::string> args) {
  if (args.size() < 2 || (args[1] != "1" && args[1] != "2")) return std::nullopt;
  Request r;
  r.db = args[0];
  r.method = args[1] == "1" ? samples::Method::stationary : samples::Method::probe;
  bool protocol = false;
  for (std::size_t i = 2; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--json" && r.output == Output::text) {
      r.output = Output::json;
    } else if ((a == "--pdf" || a == "--xlsx") && r.output == Output::text && has_value) {
      r.output = a == "--pdf" ? Output::pdf : Output::xlsx;
      r.path = args[++i];
      if (!has_extension(r.path, r.output == Output::pdf ? ".pdf" : ".xlsx")) return std::nullopt;
    } else if (a == "--protocol" && has_value && !protocol) {
      const auto read = read_protocol_file(args[++i]);
      if (!read) return std::nullopt;
      r.particulars = *read;
      protocol = true;
    } else {
      return std::nullopt;
    }
  }
  if (protocol && r.output != Output::pdf && r.output != Output::xlsx) {
    std::cerr << "--protocol только вместе с --pdf или --xlsx\n";
    return std::nullopt;
  }
  return r;
}

int run(State& state, const Request& request) {
  const int number = static_cast<int>(request.method);
  db::DbfTable& t = table(state, number);
  if (!t.is_open()) {
    std::cerr << "В базе данных нет таблицы " << db::texts::table_of[static_cast<std::size_t>(number - 1)] << '\n';
    return exit_refused;
  }
  const auto results = samples::sample_groups(samples::read_sample_rows(t, request.method), request.method);
  std::string error;
  switch (request.output) {
    case Output::text:
      std::cout << printable(samples::samples_text(results), true);
      break;
    case Output::json:
      std::cout << samples::to_json(results);
      break;
    case Output::pdf:
    case Output::xlsx: {
      const auto record = samples::sample_record(results, {request.particulars, request.db, samples::today_text()});
      error = request.output == Output::pdf ? write_report_pdf(record, request.path)
                                            : reports::TfrOLEExcelExport{}.export_report(record, request.path, true);
      break;
    }
  }
  if (!error.empty()) {
    std::cerr << error << '\n';
    return exit_usage_or_io;
  }
  std::cout.flush();
  return std::cout ? exit_ok : exit_usage_or_io;
}

}  // namespace

int cli_samples(std::span<const std::string> args) {
  const auto request = parse(args);
  if (!request) {
    std::cerr << usage_text;
    return exit_usage_or_io;
  }
  if (!request->path.empty() && !output_is_not_input(request->path, request->db)) return exit_usage_or_io;
  return with_database(request->db, [&](State& state) { return run(state, *request); });
}

int cli_comment(std::span<const std::string> args) {
  const std::string& which = args[1];
  std::uint32_t row = 0;
  const std::string& row_text = args[2];
  const auto [end, ec] = std::from_chars(row_text.data(), row_text.data() + row_text.size(), row);
  if ((which != "1" && which != "2") || ec != std::errc{} || end != row_text.data() + row_text.size() ||
      row == 0) {
    std::cerr << "usage: kalora-cli comment DB.db 1|2 ROW TEXT\n";
    return exit_usage_or_io;
  }
  State state;
  ConsoleFrontend frontend;
  if (const int locked = lock_for_change(state, frontend, args[0]); locked != exit_ok) return locked;
  if (!no_unsaved_leftovers(args[0])) return exit_refused;
  const DbResult opened = Open_DB(state, frontend, args[0]);
  if (opened != DbResult::ok) return opened == DbResult::refused ? exit_refused : exit_usage_or_io;
  const int n = which[0] - '0';
  db::DbfTable& t = table(state, n);
  int code = exit_ok;
  try {
    if (!t.is_open()) {
      std::cerr << "В базе данных нет таблицы " << db::texts::table_of[static_cast<std::size_t>(n - 1)] << '\n';
      code = exit_refused;
    } else if (!t.go_to(row)) {
      std::cerr << "В таблице нет строки " << row << '\n';
      code = exit_refused;
    } else if (std::any_of(args[3].begin(), args[3].end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
      std::cerr << "Примечание не может содержать управляющие символы\n";
      code = exit_refused;
    } else if (const auto text = views::comment_text(args[3]); !text) {
      std::cerr << "Примечание не помещается в поле: не больше 50 знаков кодировки Windows-1251\n";
      code = exit_refused;
    } else {
      t.set_text("COMMENT", *text);
      t.post();
      if (Save_DB(state, frontend) != DbResult::ok) code = exit_usage_or_io;
    }
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    code = exit_usage_or_io;
  }
  Close_DB(state, frontend);
  return code;
}

}  // namespace kalora
