// Draws built report pages with Qt: on a printer, into a PDF file and on screen.
// Pages are drawn in layout units (1/96 inch) from the paper's top-left corner.
#pragma once

#include <QFont>
#include <QPageLayout>
#include <QString>
#include <functional>
#include <string>

#include "reports/report_builder.h"

class QPainter;
class QPagedPaintDevice;
class QPrinter;

namespace kalora::reports {

// The paper every report is laid out for and printed on: A4 landscape, no margins.
QPageLayout report_page_layout();

// The font a cell is drawn with, sized for a painter in layout units on `device_dpi`.
// Arial and Symbol fall back to fonts that hold Cyrillic and Greek (λ, γ, τ), so a
// machine without them still prints every letter.
QFont cell_font(const CellFont& font, int device_dpi);

// One page: frames, then texts with their alignment and word wrap, each kept in
// its cell. The painter's unit must be the layout unit.
void paint_page(QPainter& painter, const Page& page, int device_dpi);

// Pages `from` to `to` (1-based, inclusive) on a started paged device: the first
// goes on the current page, each further one on a new page. Sets the painter's scale.
void paint_pages(QPainter& painter, QPagedPaintDevice& device, const BuiltReport& report, int from, int to);

// The whole report as an A4 landscape PDF. The file is replaced only once the new
// one is complete. Empty on success, else the user's message.
QString write_pdf(const BuiltReport& report, const QString& path);

// A program without windows (kalora-cli): starts an application on the offscreen platform,
// whatever the environment asks for, builds the report in it and writes it as PDF.
// Empty on success, else the user's message.
std::string write_pdf_offscreen(const std::function<BuiltReport()>& build, const std::string& path);

// Prints as the printer is set up: its page range (none: all pages), copies and
// collation. False when the printer would not start.
bool print_report(QPrinter& printer, const BuiltReport& report);

}  // namespace kalora::reports
