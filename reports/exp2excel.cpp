#include "reports/exp2excel.h"

#include <exception>

#include "reports/view_report.h"

namespace kalora::reports {

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
  const std::string path = frontend.choose_file(SaveDialog1);
  if (path.empty()) return false;

  if (frOLEExcelExport1.show_options && !frOLEExcelExport1.show_options(frOLEExcelExport1)) return false;
  const std::string error = frOLEExcelExport1.export_report(built, path);
  if (!error.empty()) {
    frontend.show_error(error);
    return false;
  }
  if (frOLEExcelExport1.OpenExcelAfterExport && frOLEExcelExport1.open_workbook) {
    frOLEExcelExport1.open_workbook(path);
  }
  return true;
}

bool Excel1Click(State& state, Frontend& frontend, OuterTab outer, InnerTab inner, TfrOLEExcelExport& frOLEExcelExport1,
                 const BuildProgress& progress) {
  const auto report =
      choose_report(state.db_open, outer, inner, {state.Dbf1.is_open(), state.Dbf2.is_open(), state.Dbf3.is_open()});
  return report && exp2excel(state, frontend, *report, frOLEExcelExport1, progress);
}

}  // namespace kalora::reports
