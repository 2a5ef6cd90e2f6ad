#include "reports/view_report.h"

#include <array>

#include "reports/table_record_source.h"

namespace kalora::reports {

// Every report applies the same settings: its own stored headings are named
// per report, so one routine serves all five.
void frReport1BeforePrint(ReportLayout& layout, const State& state) { before_print(layout, state.channel_mask); }
void frReport2BeforePrint(ReportLayout& layout, const State& state) { before_print(layout, state.channel_mask); }
void frReport3BeforePrint(ReportLayout& layout, const State& state) { before_print(layout, state.channel_mask); }
void frReport4BeforePrint(ReportLayout& layout, const State& state) { before_print(layout, state.channel_mask); }
void frReport5BeforePrint(ReportLayout& layout, const State& state) { before_print(layout, state.channel_mask); }

namespace {

using BeforePrint = void (*)(ReportLayout&, const State&);
constexpr std::array<BeforePrint, 5> before_print_handlers{
    frReport1BeforePrint, frReport2BeforePrint, frReport3BeforePrint, frReport4BeforePrint, frReport5BeforePrint};

}  // namespace

db::DbfTable& report_table(State& state, ReportId report) {
  switch (report) {
    case ReportId::stat:
      return state.Dbf1;
    case ReportId::zond:
      return state.Dbf2;
    default:
      return state.Dbf3;
  }
}

BuiltReport build_view_report(State& state, ReportId report, const BuildProgress& progress) {
  ReportLayout layout = report_layout(report);
  before_print_handlers.at(static_cast<std::size_t>(report) - 1)(layout, state);
  const TableRecordSource source(report_table(state, report));
  return build_report(layout, source, progress);
}

}  // namespace kalora::reports
