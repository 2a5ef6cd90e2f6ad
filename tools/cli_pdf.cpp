#include "tools/cli_pdf.h"

#ifdef KALORA_CLI_PDF
#include "reports/page_painter.h"
#endif

namespace kalora {

std::string write_report_pdf(const reports::BuiltReport& report, const std::string& path) {
#ifdef KALORA_CLI_PDF
  return reports::write_pdf_offscreen([&] { return report; }, path);
#else
  (void)report;
  (void)path;
  return "Вывод в PDF недоступен: программа собрана без Qt";
#endif
}

}  // namespace kalora
