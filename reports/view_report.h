// A view's report built from its table: the table the report reads, the settings
// each report makes just before it is laid out, and the build itself.
#pragma once

#include "core/state.h"
#include "reports/report_builder.h"

namespace kalora::reports {

// The settings of each report before it is laid out: the headings with special
// characters and, in the heat-flow reports, the channel rows of `channel_mask`.
void frReport1BeforePrint(ReportLayout& layout, const State& state);
void frReport2BeforePrint(ReportLayout& layout, const State& state);
void frReport3BeforePrint(ReportLayout& layout, const State& state);
void frReport4BeforePrint(ReportLayout& layout, const State& state);
void frReport5BeforePrint(ReportLayout& layout, const State& state);

// Dbf1 for report 1, Dbf2 for report 2, Dbf3 for the heat-flow reports.
db::DbfTable& report_table(State& state, ReportId report);

// The report of the view over its table, in the table's current order and under
// its filter (the view sets both). Throws what the table engine throws.
BuiltReport build_view_report(State& state, ReportId report, const BuildProgress& progress = {});

}  // namespace kalora::reports
