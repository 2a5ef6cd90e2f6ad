// kalora-cli report: a view's report of a database as a PDF file or a workbook,
// or the view's records as CSV.
#include "tools/cli_report.h"
#include "tools/exit_codes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>
#include <iostream>
#include <optional>

#include "db/container.h"
#include "db/db_texts.h"
#include "reports/exp2excel.h"
#include "reports/report_choice.h"
#include "reports/view_report.h"
#include "tools/cli_pdf.h"
#include "tools/cli_recover.h"
#include "tools/console_frontend.h"
#include "views/potok_filter.h"

namespace kalora {

namespace {

struct ViewName {
  std::string_view name;
  reports::OuterTab outer;
  reports::InnerTab inner;
  int measur;  // the heat-flow page's kind of measurement; -1 for none
};

constexpr std::array view_names{
    ViewName{"stat", reports::OuterTab::stat, reports::InnerTab::flow, -1},
    ViewName{"zond", reports::OuterTab::zond, reports::InnerTab::flow, -1},
    ViewName{"flow", reports::OuterTab::potok, reports::InnerTab::flow, 2},
    ViewName{"rk", reports::OuterTab::potok, reports::InnerTab::rk, 1},
    ViewName{"ro", reports::OuterTab::potok, reports::InnerTab::ro, 0},
};

// A PDF file, or what the export command writes for the name's extension.
struct Output {
  bool pdf = false;
  reports::ExportFormat format = reports::ExportFormat::xls;
};

std::optional<Output> output_of(const std::string& path) {
  std::string name = path;
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  if (name.size() > 4 && name.ends_with(".pdf")) return Output{true};
  for (const std::string_view ext : {".xls", ".xlsx", ".csv"}) {
    if (name.size() > ext.size() && name.ends_with(ext)) return Output{false, reports::export_format(name, 0)};
  }
  return std::nullopt;
}

int write_report(State& state, const ViewName& view, Output output, const std::string& path) {
  const auto report = reports::choose_report(state.db_open, view.outer, view.inner,
                                             {state.Dbf1.is_open(), state.Dbf2.is_open(), state.Dbf3.is_open()});
  if (!report) {
    const std::size_t table = view.measur < 0 ? static_cast<std::size_t>(view.outer) : 2;
    std::cerr << "В базе данных нет таблицы " << db::texts::table_of[table] << '\n';
    return exit_refused;
  }
  if (view.measur >= 0) views::potok_filter(state, static_cast<std::uint8_t>(view.measur));
  reports::BuiltReport built;
  built.id = *report;
  try {
    // A CSV holds the records as stored: no page of the report is laid out for it.
    if (output.pdf || output.format != reports::ExportFormat::csv) built = reports::build_view_report(state, *report);
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return exit_usage_or_io;
  }
  std::string error;
  try {
    error = output.pdf ? write_report_pdf(built, path)
                       : reports::export_view(state, built, output.format, path, reports::TfrOLEExcelExport{});
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (error.empty()) return exit_ok;
  std::cerr << error << '\n';
  return exit_usage_or_io;
}

}  // namespace

int cli_report(std::span<const std::string> args) {
  const auto view =
      std::find_if(view_names.begin(), view_names.end(), [&](const ViewName& v) { return v.name == args[1]; });
  const auto output = output_of(args[2]);
  if (view == view_names.end() || !output) {
    std::cerr << "usage: kalora-cli report DB.db stat|zond|flow|rk|ro OUT.pdf|OUT.xls|OUT.xlsx|OUT.csv\n";
    return exit_usage_or_io;
  }
  if (!output_is_not_input(args[2], args[0])) return exit_usage_or_io;
  State state;
  ConsoleFrontend frontend;
  const DbResult opened = read_database(state, frontend, args[0]);
  if (opened != DbResult::ok) return opened == DbResult::refused ? exit_refused : exit_usage_or_io;
  const int code = write_report(state, *view, *output, args[2]);
  // Closing clears the filter's expression, which a table refuses while filtering.
  if (state.Dbf3.is_open()) state.Dbf3.set_filtered(false);
  Close_DB(state, frontend);
  return code;
}

}  // namespace kalora
