// A view's records as CSV text for spreadsheets: the grid's columns with their
// titles, the records in the view's order and under its filter, the data as stored.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/state.h"
#include "reports/record_source.h"
#include "reports/report_layout.h"

namespace kalora::reports {

struct CsvColumn {
  std::string field;
  std::string title;  // the grid's title lines and unit on one line, Greek letters as such
};

// The grid's columns of the report's view; in the heat-flow views only those of
// the channels in `channel_mask` (bit 0 channel 1 to bit 2 channel 3).
std::vector<CsvColumn> csv_columns(ReportId report, std::uint16_t channel_mask);

// UTF-8 with a byte-order mark, ';' between fields, CR LF after each row; numbers
// in their shortest form that reads back as the value, with a decimal comma;
// texts without their padding, quoted when they hold a quote, a ';' or a line break.
std::string records_csv(const RecordSource& records, std::span<const CsvColumn> columns);

// The view's records saved under `path`, replacing a file of that name only once
// the new one is complete. Returns the user's message on failure, empty on success.
// Throws what the table engine throws.
std::string save_view_csv(State& state, ReportId report, const std::string& path);

}  // namespace kalora::reports
