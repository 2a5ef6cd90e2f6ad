// Which report a print, preview or export command uses: the report of the view
// being shown, when its table is open.
#pragma once

#include <array>
#include <optional>

#include "reports/report_layout.h"

namespace kalora::reports {

enum class OuterTab { stat, zond, potok };
enum class InnerTab { flow, rk, ro };  // the pages of "Поток"

// Nothing when no database is open or the view's table is closed.
// `table_open` holds Dbf1, Dbf2, Dbf3 in that order.
std::optional<ReportId> choose_report(bool db_open, OuterTab outer, InnerTab inner,
                                      const std::array<bool, 3>& table_open);

}  // namespace kalora::reports
