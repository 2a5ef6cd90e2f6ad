// Records for the report benchmarks: every field of every report filled, heat-flow
// records with all three channels.
#pragma once

#include <string>

#include "reports/record_source.h"
#include "reports/report_layout.h"

namespace kalora::bench {

using reports::MemoryRecordSource;
using reports::ReportId;

inline MemoryRecordSource records(ReportId id, int count) {
  MemoryRecordSource source;
  for (int i = 1; i <= count; ++i) {
    MemoryRecordSource::Record r{{"N", double(i)},
                                 {"DATE", std::string("01.02.2024")},
                                 {"TIME", std::string("10:20:30")},
                                 {"HEAT", 0.123456 * i},
                                 {"THICK", 20.5},
                                 {"T_UP", 35.25},
                                 {"T_DOWN", 15.75},
                                 {"R", 0.75},
                                 {"Q", 12.5},
                                 {"SHEAT", 1.25},
                                 {"COMMENT", std::string("образец кирпича, партия 12")},
                                 {"MODE_", std::string("Режим измерения")}};
    for (int n = 1; n <= 3 && id >= ReportId::flow; ++n) {
      const std::string k = std::to_string(n);
      r["TYPE_" + k + "_"] = "Преобразователь " + k;
      r["POTOK_" + k] = 5.2 * n;
      r["RES_" + k] = 0.25 * n;
      r["T_IN_" + k] = 20.0 + n;
      r["T_EXT_" + k] = -15.0 - n;
      r["COMMENT_" + k] = "наружная стена " + k;
    }
    source.add(std::move(r));
  }
  return source;
}

}  // namespace kalora::bench
