// "Экспорт в Excel": the report of the view shown, saved as a classic workbook.
#pragma once

#include "core/frontend.h"
#include "core/state.h"
#include "reports/excel_export.h"
#include "reports/report_choice.h"

namespace kalora::reports {

inline constexpr std::string_view excel_filter = "Книга Excel|*.xls";

// Builds the report from its table as the view shows it (order and filter set by
// the view), asks for the file name, shows the component's options and writes the
// workbook. A failure to write is told to the user; the chosen name then keeps
// whatever file it had. True when a workbook was written. `progress` is told of
// the build.
bool exp2excel(State& state, Frontend& frontend, ReportId report, TfrOLEExcelExport& frOLEExcelExport1,
               const BuildProgress& progress = {});

// The command: nothing unless a database is open and the view's table is open.
bool Excel1Click(State& state, Frontend& frontend, OuterTab outer, InnerTab inner, TfrOLEExcelExport& frOLEExcelExport1,
                 const BuildProgress& progress = {});

}  // namespace kalora::reports
