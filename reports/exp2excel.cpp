#include "reports/exp2excel.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <exception>
#include <filesystem>

#include "db/output_name.h"
#include "reports/csv_export.h"
#include "reports/view_report.h"

namespace kalora::reports {

namespace {

struct Kind {
  ExportFormat format;
  std::string_view extension;
};
constexpr std::array<Kind, 3> kinds{
    {{ExportFormat::xls, ".xls"}, {ExportFormat::xlsx, ".xlsx"}, {ExportFormat::csv, ".csv"}}};

bool ends_with_nocase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         std::equal(end.begin(), end.end(), text.end() - static_cast<long>(end.size()),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

ExportFormat export_format(std::string_view path, int chosen_filter) {
  for (const Kind& k : kinds) {
    if (ends_with_nocase(path, k.extension)) return k.format;
  }
  if (chosen_filter >= 1 && chosen_filter <= static_cast<int>(kinds.size())) return kinds[chosen_filter - 1].format;
  return ExportFormat::xls;
}

std::string export_view(State& state, const BuiltReport& built, ExportFormat format, const std::string& path,
                        const TfrOLEExcelExport& exporter) {
  if (format == ExportFormat::csv) return save_view_csv(state, built.id, path);
  return exporter.export_report(built, path, format == ExportFormat::xlsx);
}

bool exp2excel(State& state, Frontend& frontend, ReportId report, TfrOLEExcelExport& frOLEExcelExport1,
               const BuildProgress& progress) {
  BuiltReport built;
  try {
    built = build_view_report(state, report, progress);
  } catch (const std::exception& e) {
    frontend.show_error(e.what());
    return false;
  }

  FileDialogRequest SaveDialog1;
  SaveDialog1.kind = FileDialogRequest::Kind::save;
  SaveDialog1.filter = excel_filter;
  SaveDialog1.default_extension = "xls";
  SaveDialog1.initial_dir = state.default_dir;
  int chosen_filter = 1;
  SaveDialog1.chosen_filter = &chosen_filter;
  const std::string path = choose_output_file(state, frontend, SaveDialog1);
  if (path.empty()) return false;
  const ExportFormat format = export_format(path, chosen_filter);

  if (frOLEExcelExport1.show_options && !frOLEExcelExport1.show_options(frOLEExcelExport1)) return false;
  std::string error;
  try {
    error = export_view(state, built, format, path, frOLEExcelExport1);
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (!error.empty()) {
    frontend.show_error(error);
    return false;
  }
  if (frOLEExcelExport1.OpenExcelAfterExport && frOLEExcelExport1.open_workbook &&
      !frOLEExcelExport1.open_workbook(path))
    frontend.show_error("Книга сохранена, но открыть её не удалось: нет программы для файлов этого типа.\n" + path);
  return true;
}

bool Excel1Click(State& state, Frontend& frontend, OuterTab outer, InnerTab inner, TfrOLEExcelExport& frOLEExcelExport1,
                 const BuildProgress& progress) {
  const auto report =
      choose_report(state.db_open, outer, inner, {state.Dbf1.is_open(), state.Dbf2.is_open(), state.Dbf3.is_open()});
  return report && exp2excel(state, frontend, *report, frOLEExcelExport1, progress);
}

}  // namespace kalora::reports
