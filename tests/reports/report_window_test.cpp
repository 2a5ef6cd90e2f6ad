// The report painter, the print and preview commands and the export's options
// dialog, under the offscreen platform.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTest>
#include <filesystem>
#include <sstream>

#include "app/qt_app.h"
#include "reports/excel_export.h"
#include "reports/page_painter.h"
#include "reports/report_commands.h"
#include "reports/report_preview.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "tests/reports/sample_tables.h"

namespace kalora::reports {
namespace {

using test::qt_app;

// A report of `pages` pages, each with its number in a framed cell.
BuiltReport numbered_pages(int pages, ReportId id = ReportId::stat) {
  BuiltReport report;
  report.id = id;
  for (int p = 1; p <= pages; ++p) {
    PageCell cell;
    cell.x = 100;
    cell.y = 100;
    cell.width = 300;
    cell.height = 40;
    cell.text = "Страница " + std::to_string(p);
    cell.frame = {true, true, true, true};
    report.pages.push_back({{cell}});
  }
  return report;
}

std::vector<std::string> pdf_pages(const std::string& path) {
  const auto r = test::run_program("pdftotext", {"-layout", path, "-"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  std::vector<std::string> pages;
  std::istringstream in(r.out);
  for (std::string page; std::getline(in, page, '\f');) {
    if (page.find_first_not_of(" \n") != std::string::npos) pages.push_back(page);
  }
  return pages;
}

// Dark pixels of an image within `area`: their bounding box.
QRect ink(const QImage& image, const QRect& area) {
  QRect box;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

QImage painted(const PageCell& cell) {
  QImage image(400, 200, QImage::Format_RGB32);
  image.setDotsPerMeterX(3780);  // 96 dpi: one layout unit is one pixel
  image.setDotsPerMeterY(3780);
  image.fill(Qt::white);
  QPainter painter(&image);
  paint_page(painter, Page{{cell}}, image.logicalDpiY());
  return image;
}

TEST(ReportPainter, EveryFontOfTheReportsHoldsTheirLetters) {
  qt_app();
  // The families the layouts name, Symbol among them: each must draw Cyrillic,
  // the Greek letters of the headings and the unit signs.
  for (const CellFont& font : {CellFont{"Arial", 10, false}, CellFont{"Arial", 12, true}, CellFont{"Arial", 14, true},
                               CellFont{"Symbol", 12, true}, CellFont{"Symbol", 20, false}}) {
    const QFontMetricsF metrics(cell_font(font, 96));
    for (const char32_t ch : U"λγτЖжё°·") {
      if (ch == 0) continue;
      EXPECT_TRUE(metrics.inFontUcs4(ch)) << font.family << ' ' << font.size_pt << " U+" << std::hex << int(ch);
    }
  }
}

TEST(ReportPainter, TextSitsInItsCellAsAligned) {
  qt_app();
  struct Case {
    Align align;
    VAlign valign;
    bool wrap;
    bool ruled;
    std::string text;
  };
  const std::string long_text = "Очень длинное примечание, которое не помещается в ячейку";
  const std::vector<Case> cases{
      {Align::left, VAlign::center, false, true, "12,346"},
      {Align::center, VAlign::center, false, true, "12,346"},
      {Align::right, VAlign::center, false, true, "12,346"},
      {Align::left, VAlign::top, false, false, "КАЛОРА-5"},
      {Align::center, VAlign::center, true, true, "Тип преобразователя теплового потока"},
      {Align::left, VAlign::center, false, true, long_text},  // cut at the rule
      {Align::left, VAlign::top, false, false, long_text},    // a title runs on
  };
  const QRect outline(50, 50, 160, 0);
  for (const Case& c : cases) {
    PageCell cell;
    cell.x = outline.x();
    cell.y = outline.y();
    cell.width = outline.width();
    cell.height = c.wrap ? 80 : 30;
    cell.text = c.text;
    cell.align = c.align;
    cell.valign = c.valign;
    cell.wrap = c.wrap;
    if (c.ruled) cell.frame = {true, true, true, true};
    const QRect box(cell.x, cell.y, cell.width, cell.height);
    const QImage image = painted(cell);
    // Inside the rules; anything dark beyond them is text that escaped.
    const QRect text = ink(image, box.adjusted(1, 1, -1, -1));
    const bool escaped =
        !ink(image, QRect(box.right() + 2, 0, image.width() - box.right() - 2, image.height())).isNull();
    SCOPED_TRACE(c.text);
    ASSERT_FALSE(text.isNull());
    EXPECT_EQ(escaped, !c.ruled && c.text == long_text);
    const int left_gap = text.left() - box.left();
    const int right_gap = box.right() - text.right();
    const int top_gap = text.top() - box.top();
    const int bottom_gap = box.bottom() - text.bottom();
    switch (c.align) {
      case Align::left:
        EXPECT_LE(left_gap, 5);
        break;
      case Align::right:
        EXPECT_LE(right_gap, 5);
        break;
      case Align::center:
        if (!c.wrap) {
          EXPECT_LE(std::abs(left_gap - right_gap), 3);
        }
        break;
    }
    if (c.valign == VAlign::top) {
      EXPECT_LT(top_gap, bottom_gap);
    } else {
      EXPECT_LE(std::abs(top_gap - bottom_gap), 6);
    }
    // A wrapped heading takes more than one line (one line of 10 pt is 13 high).
    if (c.wrap) {
      EXPECT_GT(text.height(), 18);
    }
  }
}

TEST(ReportPainter, FramesAreDrawnOnTheSidesAsked) {
  qt_app();
  PageCell cell;
  cell.x = 50;
  cell.y = 50;
  cell.width = 100;
  cell.height = 40;
  for (int sides = 0; sides < 16; ++sides) {
    cell.frame = {(sides & 1) != 0, (sides & 2) != 0, (sides & 4) != 0, (sides & 8) != 0};
    const QImage image = painted(cell);
    auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 200; };
    SCOPED_TRACE(sides);
    EXPECT_EQ(dark(50, 70), cell.frame.left);
    EXPECT_EQ(dark(150, 70), cell.frame.right);
    EXPECT_EQ(dark(100, 50), cell.frame.top);
    EXPECT_EQ(dark(100, 90), cell.frame.bottom);
    EXPECT_FALSE(dark(100, 70));
  }
}

// A remark of the field's 50 characters is printed whole, wrapped in its cell, in the
// PDF (as pdftotext reads it) and in the workbook (as openpyxl reads it).
TEST(ReportPainter, LongRemarkIsWholeInPdfAndWorkbook) {
  qt_app();
  const std::string remark = "Наружная стена, кирпич М150, северный фасад, этаж3";
  const test::TempDir dir;
  for (const ReportId id : {ReportId::flow, ReportId::rk, ReportId::ro, ReportId::stat, ReportId::zond}) {
    SCOPED_TRACE(static_cast<int>(id));
    MemoryRecordSource records;
    records.add({{"N", 1.0}, {"COMMENT", remark}, {"COMMENT_1", remark}});
    const BuiltReport report = build_report(id, 1, records);
    const std::string pdf = dir.file("remark.pdf");
    ASSERT_TRUE(write_pdf(report, QString::fromStdString(pdf)).isEmpty());
    const auto text = test::run_program("pdftotext", {"-raw", pdf, "-"});
    ASSERT_EQ(text.exit_code, 0) << text.err;
    const QString words = QString::fromStdString(text.out).simplified();
    EXPECT_TRUE(words.contains(QString::fromStdString(remark))) << text.out;

    const std::string xlsx = dir.file("remark.xlsx");
    ASSERT_EQ(TfrOLEExcelExport().export_report(report, xlsx, true), "");
    const auto cell = test::run_program(KALORA_PYTHON, {"-c", R"(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
for row in ws.iter_rows():
    for c in row:
        if c.value == sys.argv[2]:
            print(c.alignment.wrap_text, ws.row_dimensions[c.row].height)
)",
                                                        xlsx, remark});
    ASSERT_EQ(cell.exit_code, 0) << cell.err;
    std::istringstream in(cell.out);
    std::string wrap;
    double points = 0;
    in >> wrap >> points;
    EXPECT_EQ(wrap, "True") << cell.out;
    // Two lines where the cell is narrow (the resistance pages and the stationary one).
    if (id == ReportId::rk || id == ReportId::ro || id == ReportId::stat) {
      EXPECT_GE(points, 22.0) << cell.out;
    }
  }
}

TEST(ReportPainter, PdfReplacesAFileOnlyWhenWritten) {
  qt_app();
  test::TempDir dir;
  const std::string path = dir.file("отчёт.pdf");
  test::write_bytes(path, {'o', 'l', 'd'});
  EXPECT_TRUE(write_pdf(numbered_pages(3), QString::fromStdString(path)).isEmpty());
  const auto pages = pdf_pages(path);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_NE(pages[2].find("Страница 3"), std::string::npos);

  const std::string missing = dir.file("нет/отчёт.pdf");
  EXPECT_FALSE(write_pdf(numbered_pages(1), QString::fromStdString(missing)).isEmpty());
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(ReportPainter, PrintsTheRangeAndCopiesAsChosen) {
  qt_app();
  struct Case {
    int from, to, copies;
    bool collate;
    std::vector<int> printed;
  };
  const std::vector<Case> cases{
      {0, 0, 1, true, {1, 2, 3, 4}},  {2, 3, 1, true, {2, 3}}, {2, 3, 2, true, {2, 3, 2, 3}},
      {2, 3, 2, false, {2, 2, 3, 3}}, {3, 9, 1, true, {3, 4}},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir.file("print.pdf")));
    if (c.from > 0) {
      printer.setPrintRange(QPrinter::PageRange);
      printer.setFromTo(c.from, c.to);
    }
    printer.setCopyCount(c.copies);
    printer.setCollateCopies(c.collate);
    ASSERT_TRUE(print_report(printer, numbered_pages(4)));
    const auto pages = pdf_pages(dir.file("print.pdf"));
    if (printer.supportsMultipleCopies() && c.copies > 1) continue;  // the printer repeats them
    ASSERT_EQ(pages.size(), c.printed.size()) << c.from << '-' << c.to;
    for (std::size_t i = 0; i < pages.size(); ++i) {
      EXPECT_NE(pages[i].find("Страница " + std::to_string(c.printed[i])), std::string::npos) << i;
    }
  }
}

// The reports print on A4 landscape only: the print dialog shows that paper and offers
// no choice of another, and what it prints is that paper.
TEST(ReportPainter, PrintDialogOffersOnlyThePaperPrinted) {
  qt_app();
  test::TempDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(dir.file("print.pdf")));
  printer.setPageSize(QPageSize(QPageSize::Letter));
  bool shown = false;
  const bool printed = print_with_dialog(numbered_pages(2), printer, nullptr, [&](QDialog& dialog) {
    shown = true;
    auto& print_dialog = dynamic_cast<QPrintDialog&>(dialog);
    EXPECT_FALSE(print_dialog.testOption(QAbstractPrintDialog::PrintShowPageSize));
    EXPECT_TRUE(print_dialog.testOption(QAbstractPrintDialog::PrintPageRange));
    EXPECT_TRUE(print_dialog.printer()->pageLayout().isEquivalentTo(report_page_layout()));
    return QDialog::Accepted;
  });
  EXPECT_TRUE(shown);
  EXPECT_TRUE(printed);
  EXPECT_TRUE(printer.pageLayout().isEquivalentTo(report_page_layout()));
}

TEST(ReportPreview, OpensFittedToTheWidthTurnsPagesAndMarksWhatItFinds) {
  qt_app();
  for (const ReportId id : {ReportId::stat, ReportId::zond, ReportId::flow, ReportId::rk, ReportId::ro}) {
    BuiltReport report = numbered_pages(4, id);
    ReportPreview preview(report, {});
    preview.preview()->updatePreview();
    EXPECT_TRUE(preview.isModal());
    EXPECT_EQ(preview.preview()->pageCount(), 4);
    EXPECT_EQ(preview.preview()->zoomMode(), QPrintPreviewWidget::FitToWidth);
    EXPECT_TRUE(preview.find("страница 3"));
    EXPECT_EQ(preview.preview()->currentPage(), 3);
    EXPECT_EQ(preview.marked_cells(), 1);
  }
  BuiltReport report = numbered_pages(5);
  ReportPreview preview(report, {});
  preview.show();
  preview.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&preview));
  preview.preview()->updatePreview();
  const struct {
    const char* button;  // a tool button's text, or a key
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int page;
  } steps[] = {
      {"»", {}, {}, 5},
      {"‹", {}, {}, 4},
      {"«", {}, {}, 1},
      {"‹", {}, {}, 1},
      {"›", {}, {}, 2},
      {nullptr, Qt::Key_End, Qt::NoModifier, 5},
      {nullptr, Qt::Key_Home, Qt::ControlModifier, 1},
      {nullptr, Qt::Key_End, Qt::ControlModifier, 5},
      {nullptr, Qt::Key_Home, Qt::NoModifier, 1},
  };
  for (const auto& s : steps) {
    if (s.button) {
      QAction* action = nullptr;
      for (QAction* a : preview.findChildren<QAction*>())
        if (a->text() == QString::fromUtf8(s.button)) action = a;
      ASSERT_NE(action, nullptr) << s.button;
      action->trigger();
    } else {
      QTest::keyClick(&preview, s.key, s.modifiers);
    }
    EXPECT_EQ(preview.preview()->currentPage(), s.page) << (s.button ? s.button : "key");
    EXPECT_EQ(preview.page_text(), QStringLiteral("Стр. %1 из 5").arg(s.page));
  }
  QTest::keyClick(&preview, Qt::Key_Escape);
  EXPECT_FALSE(preview.isVisible());
}

TEST(ReportPreview, FindsPagesWrappingRound) {
  const BuiltReport report = numbered_pages(4);
  EXPECT_EQ(find_page(report, "Страница 2", 0), 1);
  EXPECT_EQ(find_page(report, "Страница", 1), 1);
  EXPECT_EQ(find_page(report, "Страница", 4), 0);  // wraps round past the last page
  EXPECT_EQ(find_page(report, "нет такого", 0), std::nullopt);
  EXPECT_EQ(find_page(report, "", 0), std::nullopt);
  EXPECT_EQ(find_page(BuiltReport{}, "Страница", 0), std::nullopt);
}

class SaveFrontend : public test::RecordingFrontend {
 public:
  std::string answer;
  std::string choose_file(const FileDialogRequest&) override { return answer; }
  bool ask_yes_no_default_no(std::string_view) override { return true; }  // a file there is replaced
};

TEST(ReportCommands, DialogsOnlyForAnOpenViewAndTheExportOptionsDecide) {
  qt_app();
  test::Tables t("both.bin");
  ASSERT_TRUE(t.loaded);
  SaveFrontend frontend;
  frontend.answer = t.dir.file("отчёт.xls");
  ReportCommands commands(*t.state, frontend, nullptr);
  EXPECT_TRUE(commands.frOLEExcelExport1.OpenExcelAfterExport);
  std::vector<std::string> shown;  // object names of the dialogs run
  std::vector<std::string> opened;
  bool opens = true;
  commands.frOLEExcelExport1.open_workbook = [&](const std::string& path) {
    opened.push_back(path);
    return opens;
  };
  int preview_pages = 0;
  bool accept_options = false;
  bool open_after = true;
  commands.run_dialog = [&](QDialog& dialog) {
    shown.push_back(dialog.objectName().toStdString());
    if (auto* preview = dynamic_cast<ReportPreview*>(&dialog)) {
      preview->preview()->updatePreview();
      preview_pages = preview->preview()->pageCount();
    }
    if (auto* box = dialog.findChild<QCheckBox*>("OpenExcelAfterExport")) box->setChecked(open_after);
    if (accept_options) dialog.accept();
    return accept_options ? QDialog::Accepted : QDialog::Rejected;
  };

  // No database: nothing at all.
  t.state->db_open = false;
  commands.ToolButton5Click({OuterTab::stat, InnerTab::flow});
  commands.Excel1Click({OuterTab::stat, InnerTab::flow});
  EXPECT_TRUE(shown.empty());

  t.state->db_open = true;
  commands.ToolButton5Click({OuterTab::zond, InnerTab::flow});
  EXPECT_EQ(shown, std::vector<std::string>{"ReportPreview"});
  EXPECT_GE(preview_pages, 1);

  // Printing without a printer shows no dialog, only the message.
  shown.clear();
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    commands.ToolButton4Click({OuterTab::stat, InnerTab::flow});
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(frontend.messages,
              (std::vector<test::Message>{
                  {test::Message::error, "Принтер не установлен. Сохраните отчёт в PDF или книгу Excel."}}));
    frontend.messages.clear();
  }

  // Options cancelled: nothing written, nothing opened.
  commands.Excel1Click({OuterTab::stat, InnerTab::flow});
  EXPECT_EQ(shown, std::vector<std::string>{"ExcelOptionsDialog"});
  EXPECT_FALSE(std::filesystem::exists(test::utf8_path(frontend.answer)));
  EXPECT_TRUE(opened.empty());

  // Accepted with the box cleared: written, not opened; ticked: written and opened.
  accept_options = true;
  open_after = false;
  commands.Excel1Click({OuterTab::stat, InnerTab::flow});
  EXPECT_TRUE(std::filesystem::exists(test::utf8_path(frontend.answer)))
      << (frontend.messages.empty() ? "" : frontend.messages.back().text);
  EXPECT_TRUE(opened.empty());
  open_after = true;
  commands.Excel1Click({OuterTab::zond, InnerTab::flow});
  EXPECT_EQ(opened, std::vector<std::string>{frontend.answer});
  EXPECT_TRUE(frontend.messages.empty());
  // Nothing can open the workbook: the user is told, in a message.
  opens = false;
  commands.Excel1Click({OuterTab::zond, InnerTab::flow});
  ASSERT_EQ(frontend.messages.size(), 1u);
  EXPECT_NE(frontend.messages[0].text.find("открыть её не удалось"), std::string::npos);
}

}  // namespace
}  // namespace kalora::reports
