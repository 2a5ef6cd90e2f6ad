#include "reports/page_painter.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <algorithm>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "analysis/plot_painter.h"
#include "core/file_io.h"

namespace kalora::reports {

namespace {

constexpr double layout_dpi = 96.0;
constexpr double frame_width = 0.75;  // a thin rule, as a printer draws one pixel at 96 dpi
constexpr double text_padding = cell_padding;
constexpr int pdf_resolution = 1200;
constexpr int plot_font_pt = 8;

// Fonts tried in turn for each character: the report's own first, then fonts that
// hold Cyrillic and Greek. "Symbol" is never asked for: on Linux it may draw Latin
// letters as Greek or Greek as nothing, and the builder already gives Greek letters.
QStringList families_for(const std::string& family) {
  QStringList families;
  if (family != "Symbol" && family != "Arial") families << QString::fromStdString(family);
  families << "Arial"
           << "Liberation Sans"
           << "Arimo"
           << "DejaVu Sans";
  return families;
}

int flags_of(const PageCell& c) {
  int flags = c.align == Align::left ? Qt::AlignLeft : c.align == Align::right ? Qt::AlignRight : Qt::AlignHCenter;
  flags |= c.valign == VAlign::top ? Qt::AlignTop : Qt::AlignVCenter;
  if (c.wrap) flags |= Qt::TextWordWrap;
  return flags;
}

void paint_frame(QPainter& painter, const PageCell& c) {
  const QRectF r(c.x, c.y, c.width, c.height);
  if (c.frame.left) painter.drawLine(r.topLeft(), r.bottomLeft());
  if (c.frame.right) painter.drawLine(r.topRight(), r.bottomRight());
  if (c.frame.top) painter.drawLine(r.topLeft(), r.topRight());
  if (c.frame.bottom) painter.drawLine(r.bottomLeft(), r.bottomRight());
}

void set_layout_scale(QPainter& painter, const QPaintDevice& device) {
  painter.resetTransform();
  painter.scale(device.logicalDpiX() / layout_dpi, device.logicalDpiY() / layout_dpi);
}

// Pages by number (1-based) in the order given.
void paint_sequence(QPainter& painter, QPagedPaintDevice& device, const BuiltReport& report,
                    const std::vector<int>& pages) {
  bool first = true;
  for (const int number : pages) {
    if (!first) device.newPage();
    first = false;
    set_layout_scale(painter, device);
    paint_page(painter, report.pages[static_cast<std::size_t>(number - 1)], device.logicalDpiY());
  }
}

}  // namespace

QPageLayout report_page_layout() {
  return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0));
}

QFont cell_font(const CellFont& font, int device_dpi) {
  QFont f;
  f.setFamilies(families_for(font.family));
  f.setPointSizeF(font.size_pt * layout_dpi / std::max(device_dpi, 1));
  f.setBold(font.bold);
  // Metrics at the page's own scale, not hinted to the screen's pixels.
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

void paint_page(QPainter& painter, const Page& page, int device_dpi) {
  QPen pen(Qt::black);
  pen.setWidthF(frame_width);
  pen.setCapStyle(Qt::SquareCap);
  painter.setPen(pen);
  for (const PageCell& c : page.cells)
    if (c.marked) painter.fillRect(QRectF(c.x, c.y, c.width, c.height), QColor(255, 230, 0));
  for (const PageCell& c : page.cells) paint_frame(painter, c);

  // Cells of one report use a handful of fonts: set each only when it changes.
  const CellFont* current = nullptr;
  for (const PageCell& c : page.cells) {
    if (c.text.empty()) continue;
    if (!current || !(*current == c.font)) {
      painter.setFont(cell_font(c.font, device_dpi));
      current = &c.font;
    }
    // A ruled cell keeps its text inside (Qt clips what does not fit); a title
    // without rules may run on past its cell.
    const bool ruled = c.frame.left || c.frame.right || c.frame.top || c.frame.bottom;
    const double padding = ruled ? text_padding : 0;
    const QRectF inner(c.x + padding, c.y, c.width - 2 * padding, c.height);
    painter.drawText(inner, flags_of(c) | (ruled ? 0 : Qt::TextDontClip), QString::fromStdString(c.text));
  }
  for (const PagePicture& p : page.pictures) {
    QImage image;
    if (p.png && image.loadFromData(p.png->data(), static_cast<int>(p.png->size()), "PNG"))
      painter.drawImage(QRectF(p.x, p.y, p.width, p.height), image);
  }
  const QFont plot_font = cell_font({"Arial", plot_font_pt, false}, device_dpi);
  for (const PagePlot& p : page.plots)
    if (p.plot) plot::paint_plot(painter, QRectF(p.x, p.y, p.width, p.height), *p.plot, plot_font);
}

void paint_pages(QPainter& painter, QPagedPaintDevice& device, const BuiltReport& report, int from, int to) {
  from = std::max(from, 1);
  to = std::min(to, static_cast<int>(report.pages.size()));
  std::vector<int> pages;
  for (int p = from; p <= to; ++p) pages.push_back(p);
  paint_sequence(painter, device, report, pages);
}

QString write_pdf(const BuiltReport& report, const QString& path) {
  const std::string name = path.toStdString();
  QBuffer pdf;
  pdf.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&pdf);
    writer.setResolution(pdf_resolution);
    writer.setPageLayout(report_page_layout());
    writer.setTitle("КАЛОРА-5");
    writer.setCreator("КАЛОРА-5");
    QPainter painter;
    if (!painter.begin(&writer)) return QString::fromStdString(io_error_text(name, "не удалось записать файл"));
    paint_pages(painter, writer, report, 1, static_cast<int>(report.pages.size()));
    painter.end();
  }
  const QByteArray& bytes = pdf.data();
  const std::string error = replace_file(
      name, {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())});
  return QString::fromStdString(error);
}

bool print_report(QPrinter& printer, const BuiltReport& report) {
  printer.setFullPage(true);
  printer.setPageLayout(report_page_layout());
  const int count = static_cast<int>(report.pages.size());
  int from = 1;
  int to = count;
  if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
    from = std::max(printer.fromPage(), 1);
    to = std::min(printer.toPage() > 0 ? printer.toPage() : count, count);
  }
  if (from > to) return true;

  // Where the printer makes the copies itself it is sent one; else we repeat the
  // pages, keeping each copy together when collation is on.
  const int copies = printer.supportsMultipleCopies() ? 1 : std::max(printer.copyCount(), 1);
  std::vector<int> pages;
  if (printer.collateCopies()) {
    for (int c = 0; c < copies; ++c) {
      for (int p = from; p <= to; ++p) pages.push_back(p);
    }
  } else {
    for (int p = from; p <= to; ++p) pages.insert(pages.end(), static_cast<std::size_t>(copies), p);
  }

  QPainter painter;
  if (!painter.begin(&printer)) return false;
  paint_sequence(painter, printer, report, pages);
  return painter.end();
}

#ifdef _WIN32
namespace {

// Without a screen Qt reads its fonts from one folder: on Windows that is the system's
// fonts folder, unless the user names another.
void use_the_systems_fonts() {
  if (qEnvironmentVariableIsSet("QT_QPA_FONTDIR")) return;
  wchar_t windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  qputenv("QT_QPA_FONTDIR", QDir(QString::fromWCharArray(windows, static_cast<qsizetype>(length)))
                                .filePath(QStringLiteral("Fonts"))
                                .toLocal8Bit());
}

}  // namespace
#endif

std::string write_pdf_offscreen(const std::function<BuiltReport()>& build, const std::string& path) {
  // Fonts, charts and the PDF writer need an application, never a screen.
#ifdef _WIN32
  use_the_systems_fonts();
#endif
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});  // only our messages
  static int argc = 3;
  static char name[] = "kalora-cli";
  static char platform_option[] = "-platform";
  static char platform[] = "offscreen";
  static char* argv[] = {name, platform_option, platform, nullptr};
  const QApplication app(argc, argv);
  // With no font at all the pages would come out without a letter on them.
  if (QFontDatabase::families().isEmpty()) return "Не найдено ни одного шрифта: PDF не записан";
  return write_pdf(build(), QString::fromStdString(path)).toStdString();
}

}  // namespace kalora::reports
