#include "reports/report_choice.h"

namespace kalora::reports {

std::optional<ReportId> choose_report(bool db_open, OuterTab outer, InnerTab inner,
                                      const std::array<bool, 3>& table_open) {
  if (!db_open) return std::nullopt;
  switch (outer) {
    case OuterTab::stat:
      if (table_open[0]) return ReportId::stat;
      break;
    case OuterTab::zond:
      if (table_open[1]) return ReportId::zond;
      break;
    case OuterTab::potok:
      if (!table_open[2]) break;
      switch (inner) {
        case InnerTab::flow:
          return ReportId::flow;
        case InnerTab::rk:
          return ReportId::rk;
        case InnerTab::ro:
          return ReportId::ro;
      }
      break;
  }
  return std::nullopt;
}

}  // namespace kalora::reports
