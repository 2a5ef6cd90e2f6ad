// kalora-cli and PDF output of a built report.
#pragma once

#include <string>

#include "reports/report_builder.h"

namespace kalora {

// Writes the report as a PDF file: empty on success, else the user's message
// (also when the program is built without the page painter).
std::string write_report_pdf(const reports::BuiltReport& report, const std::string& path);

}  // namespace kalora
