// The printed test record of results per sample: the protocol's heading and
// particulars, then per group its rows and its figures, then the places for the
// signatures, on the reports' A4 landscape pages.
#pragma once

#include <string>

#include "protocol/particulars.h"
#include "reports/report_builder.h"
#include "sample_stats/sample_groups.h"

namespace kalora::samples {

struct RecordInfo {
  protocol::Particulars particulars;
  std::string db_name;  // the database's path; its file name is printed
  std::string printed;  // the date of printing, dd.mm.yyyy
};

// The record's pages; measured values are number cells, so a workbook gets numbers.
reports::BuiltReport sample_record(const SampleResults& results, const RecordInfo& info);

// Today's date as dd.mm.yyyy, by the computer's clock and time zone.
std::string today_text();

}  // namespace kalora::samples
