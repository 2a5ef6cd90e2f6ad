// The printed analysis with its plots: print dialog, PDF file, and the PDF that
// kalora-cli writes without a screen.
#pragma once

#include <string>
#include <vector>

#include "analysis/average_method.h"
#include "core/frontend.h"
#include "core/state.h"
#include "protocol/particulars.h"
#include "reports/report_builder.h"

class QWidget;

namespace kalora::analysis {

// The pages of the given series with their plots drawn in. Needs a QApplication.
reports::BuiltReport printed_analysis(const Analysis& analysis, const std::vector<std::size_t>& series,
                                      const AnalysisOptions& options, const std::string& db_name,
                                      const protocol::Particulars& particulars = {});

// "Печать": the chosen series through the print dialog the reports use.
// No printer: the message of the reports.
void print_analysis(const Analysis& analysis, int series, const AnalysisOptions& options, const std::string& db_name,
                    const protocol::Particulars& particulars, Frontend& frontend, QWidget* parent);
// "PDF…": asks for a file name and writes the chosen series' pages; failures are told.
void save_analysis_pdf(const Analysis& analysis, int series, const AnalysisOptions& options,
                       const protocol::Particulars& particulars, State& state, Frontend& frontend, QWidget* parent);

// Every series into a PDF file, on the offscreen platform whatever the environment
// says. Empty on success, else the user's message.
std::string write_analysis_pdf_offscreen(const Analysis& analysis, const AnalysisOptions& options,
                                         const std::string& db_name, const std::string& path,
                                         const protocol::Particulars& particulars = {});

}  // namespace kalora::analysis
