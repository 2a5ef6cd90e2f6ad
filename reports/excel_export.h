// The spreadsheet export: a built report becomes one worksheet, its cells placed
// on a grid made from the report cells' edges, stored as a classic .xls workbook
// or a 2007 .xlsx one. Measured values are numbers shown by the report's patterns.
#pragma once

#include <functional>
#include <string>

#include "reports/report_builder.h"
#include "reports/xls/workbook.h"

namespace kalora::reports {

class TfrOLEExcelExport {
 public:
  // The saved workbook is opened in the spreadsheet application afterwards.
  bool OpenExcelAfterExport = false;
  // Set by the desktop program: the component's options dialog, shown before each
  // export (false: cancelled, nothing is written), and the opening of a saved
  // workbook. Unset, there is no dialog and nothing is opened.
  std::function<bool(TfrOLEExcelExport&)> show_options;
  std::function<bool(const std::string& path)> open_workbook;  // false when nothing could open it

  // Pages follow one another down the sheet, each starting a printed page.
  // `error` is the user's message when the report takes more than `sheet_rows`.
  struct SheetResult {
    xls::Sheet sheet;
    std::string error;
  };
  SheetResult to_sheet(const BuiltReport& report, std::uint32_t sheet_rows = xls::xls_rows) const;
  // Writes the workbook (.xls, or .xlsx when `xlsx`), replacing a file of that
  // name once the new one is complete. Returns the user's message on failure,
  // empty on success.
  std::string export_report(const BuiltReport& report, const std::string& path, bool xlsx = false) const;
};

}  // namespace kalora::reports
