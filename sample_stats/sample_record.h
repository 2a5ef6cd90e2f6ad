// The printed test record of results per sample: a header the user fills in once,
// then per group its rows and its figures, on the reports' A4 landscape pages.
#pragma once

#include <string>

#include "reports/report_builder.h"
#include "sample_stats/sample_groups.h"

namespace kalora::samples {

// Kept in the settings store by the desktop program.
struct RecordHeader {
  std::string organisation;
  std::string operator_name;
  std::string instrument;  // the instrument's serial number
};

struct RecordInfo {
  RecordHeader header;
  std::string db_name;  // the database's path; its file name is printed
  std::string printed;  // the date of printing, dd.mm.yyyy
};

// The record's pages; measured values are number cells, so a workbook gets numbers.
reports::BuiltReport sample_record(const SampleResults& results, const RecordInfo& info);

// Today's date as dd.mm.yyyy, by the computer's clock and time zone.
std::string today_text();

}  // namespace kalora::samples
