#include "reports/report_commands.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>
#include <memory>

#include "db/output_name.h"
#include "reports/exp2excel.h"
#include "reports/page_painter.h"
#include "reports/report_preview.h"
#include "reports/view_report.h"
#include "views/window_fit.h"

namespace kalora::reports {

namespace {

bool open_in_spreadsheet(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace

int exec_dialog(QDialog& dialog) { return dialog.exec(); }

ExcelOptionsDialog::ExcelOptionsDialog(TfrOLEExcelExport& exporter, QWidget* parent)
    : QDialog(parent), exporter_(exporter) {
  setObjectName("ExcelOptionsDialog");
  setWindowTitle("Экспорт в Excel");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel("Книга Excel (*.xls, *.xlsx): страницы отчёта одна под другой на одном листе.\n"
                 "Текст CSV (*.csv): записи таблицы в порядке и с отбором вида.",
                 this));
  open_after_ = new QCheckBox("Открыть книгу после экспорта", this);
  open_after_->setObjectName("OpenExcelAfterExport");
  open_after_->setChecked(exporter.OpenExcelAfterExport);
  layout->addWidget(open_after_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText("Отмена");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void ExcelOptionsDialog::accept() {
  exporter_.OpenExcelAfterExport = open_after_->isChecked();
  QDialog::accept();
}

// No progress window: a full instrument memory builds in about a millisecond and a
// table of ten thousand appended records in a fifth of a second, too short to follow.
std::optional<BuiltReport> build_shown_report(State& state, Frontend& frontend, ReportId report) {
  try {
    return build_view_report(state, report, {});
  } catch (const std::exception& e) {
    frontend.show_error(e.what());
    return std::nullopt;
  }
}

bool print_with_dialog(const BuiltReport& report, QWidget* parent, Frontend& frontend, const DialogRunner& run) {
  // Without a printer Qt would quietly print into a nameless PDF file.
  const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
  if (printers.isEmpty()) {
    frontend.show_error(no_printer_text);
    return false;
  }
  QPrinterInfo chosen = QPrinterInfo::defaultPrinter();
  if (chosen.isNull()) chosen = printers.front();
  QPrinter printer(chosen, QPrinter::HighResolution);
  return print_with_dialog(report, printer, parent, run);
}

bool print_with_dialog(const BuiltReport& report, QPrinter& printer, QWidget* parent, const DialogRunner& run) {
  printer.setCopyCount(1);
  printer.setCollateCopies(true);
  printer.setPrintRange(QPrinter::AllPages);
  // The pages are laid out for A4 landscape and printed so: the dialog shows that paper
  // and offers no other.
  printer.setPageLayout(report_page_layout());
  QPrintDialog dialog(&printer, parent);
  dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCollateCopies);
  dialog.setMinMax(1, static_cast<int>(report.pages.size()));
  if (run(dialog) != QDialog::Accepted) return false;
  return print_report(printer, report);
}

void save_report_pdf(const BuiltReport& report, State& state, Frontend& frontend) {
  const std::string name =
      choose_output_file(state, frontend, {FileDialogRequest::Kind::save, "Файлы PDF|*.pdf", "pdf", {}});
  if (name.empty()) return;
  if (const QString error = write_pdf(report, QString::fromStdString(name)); !error.isEmpty())
    frontend.show_error(error.toStdString());
}

ReportCommands::ReportCommands(State& state, Frontend& frontend, QWidget* parent)
    : state_(state), frontend_(frontend), parent_(parent) {
  frOLEExcelExport1.OpenExcelAfterExport = true;
  frOLEExcelExport1.show_options = [this](TfrOLEExcelExport& exporter) {
    ExcelOptionsDialog options(exporter, parent_);
    return run_dialog(options) == QDialog::Accepted;
  };
  frOLEExcelExport1.open_workbook = open_in_spreadsheet;
}

std::optional<BuiltReport> ReportCommands::build(ActiveView view) {
  const auto report = choose_report(state_.db_open, view.outer, view.inner,
                                    {state_.Dbf1.is_open(), state_.Dbf2.is_open(), state_.Dbf3.is_open()});
  if (!report) return std::nullopt;
  return build_shown_report(state_, frontend_, *report);
}

void ReportCommands::ToolButton4Click(ActiveView view) {
  if (const auto report = build(view)) print_with_dialog(*report, parent_, frontend_, run_dialog);
}

void ReportCommands::ToolButton5Click(ActiveView view) {
  const auto report = build(view);
  if (!report) return;
  ReportPreview frPreview(
      *report, [this, &report] { print_with_dialog(*report, parent_, frontend_, run_dialog); },
      [this, &report] { save_report_pdf(*report, state_, frontend_); }, parent_);
  views::restore_window_place(frPreview, preview_place);
  run_dialog(frPreview);
  preview_place = views::window_place(frPreview);
}

void ReportCommands::Excel1Click(ActiveView view) {
  const auto report = choose_report(state_.db_open, view.outer, view.inner,
                                    {state_.Dbf1.is_open(), state_.Dbf2.is_open(), state_.Dbf3.is_open()});
  if (!report) return;
  exp2excel(state_, frontend_, *report, frOLEExcelExport1, {});
}

}  // namespace kalora::reports
