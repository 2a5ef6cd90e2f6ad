// "Экспорт в Excel": the report of the view shown, saved as a workbook, or the
// view's records as CSV text.
#pragma once

#include <string_view>

#include "core/frontend.h"
#include "core/state.h"
#include "reports/excel_export.h"
#include "reports/report_choice.h"

namespace kalora::reports {

enum class ExportFormat { xls = 1, xlsx = 2, csv = 3 };  // the filter's number in the dialog

// The classic workbook first: the dialog opens on it.
inline constexpr std::string_view excel_filter = "Книга Excel|*.xls|Книга Excel 2007 и новее|*.xlsx|Текст CSV|*.csv";

// What a chosen name is written as: the kind its extension names, else the kind
// of the filter chosen (1-based), else a classic workbook.
ExportFormat export_format(std::string_view path, int chosen_filter);

// Writes the view's export: the built report as a workbook, or the report table's
// records as CSV. Returns the user's message on failure, empty on success.
std::string export_view(State& state, const BuiltReport& built, ExportFormat format, const std::string& path,
                        const TfrOLEExcelExport& exporter);

// Builds the report from its table as the view shows it (order and filter set by
// the view), asks for the file name, shows the component's options and writes the
// file. A failure to write is told to the user; the chosen name then keeps
// whatever file it had. True when a file was written. `progress` is told of
// the build.
bool exp2excel(State& state, Frontend& frontend, ReportId report, TfrOLEExcelExport& frOLEExcelExport1,
               const BuildProgress& progress = {});

// The command: nothing unless a database is open and the view's table is open.
bool Excel1Click(State& state, Frontend& frontend, OuterTab outer, InnerTab inner, TfrOLEExcelExport& frOLEExcelExport1,
                 const BuildProgress& progress = {});

}  // namespace kalora::reports
