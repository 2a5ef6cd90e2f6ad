// The printed analysis: a page with the protocol's heading and particulars, per series
// an A4 page of results and criteria per channel, then a page with its four plots. Text cells only; the plots' places
// are kept for the painter to fill.
#pragma once

#include <string>
#include <vector>

#include "analysis/average_method.h"
#include "protocol/particulars.h"
#include "reports/report_builder.h"

namespace kalora::analysis {

// Where a plot of a series goes on its page.
struct PlotPlace {
  std::size_t page = 0;  // index into the report's pages
  std::size_t series = 0;
  int plot = 0;  // index into `series_plots`
  int x = 0, y = 0, width = 0, height = 0;
};

struct AnalysisPages {
  reports::BuiltReport report;
  std::vector<PlotPlace> plots;
};

// The pages of the given series (indexes into analysis.series) of a database, after
// the protocol's heading and particulars and before the places for the signatures.
AnalysisPages analysis_pages(const Analysis& analysis, const std::vector<std::size_t>& series,
                             const AnalysisOptions& options, const std::string& db_name,
                             const protocol::Particulars& particulars = {});

}  // namespace kalora::analysis
