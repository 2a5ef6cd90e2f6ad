#include "reports/report_commands.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>
#include <memory>

#include "reports/exp2excel.h"
#include "reports/page_painter.h"
#include "reports/report_preview.h"
#include "reports/view_report.h"

namespace kalora::reports {

namespace {

constexpr int progress_delay_ms = 300;

// A progress window for a build: made at the first record, so an empty table
// shows none, and gone with the last, before any dialog that follows the build.
BuildProgress progress_window(QWidget* parent) {
  struct Window {
    std::unique_ptr<QProgressDialog> dialog;
    int shown = -1;
  };
  auto window = std::make_shared<Window>();
  return [parent, window](std::size_t done, std::size_t total) {
    if (done >= total) {
      window->dialog.reset();
      return;
    }
    if (!window->dialog) {
      window->dialog = std::make_unique<QProgressDialog>("Построение отчёта...", QString(), 0, 100, parent);
      window->dialog->setWindowTitle("КАЛОРА-5");
      window->dialog->setWindowModality(Qt::WindowModal);
      window->dialog->setMinimumDuration(progress_delay_ms);
      window->dialog->setCancelButton(nullptr);
    }
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == window->shown) return;
    window->shown = percent;
    window->dialog->setValue(percent);
  };
}

void open_in_spreadsheet(const std::string& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace

int exec_dialog(QDialog& dialog) { return dialog.exec(); }

ExcelOptionsDialog::ExcelOptionsDialog(TfrOLEExcelExport& exporter, QWidget* parent)
    : QDialog(parent), exporter_(exporter) {
  setObjectName("ExcelOptionsDialog");
  setWindowTitle("Экспорт в Excel");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel("Отчёт будет сохранён как книга Excel (*.xls):\n"
                 "страницы отчёта одна под другой на одном листе.",
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

std::optional<BuiltReport> build_with_progress(State& state, Frontend& frontend, ReportId report, QWidget* parent) {
  try {
    return build_view_report(state, report, progress_window(parent));
  } catch (const std::exception& e) {
    frontend.show_error(e.what());
    return std::nullopt;
  }
}

bool print_with_dialog(const BuiltReport& report, QWidget* parent, const DialogRunner& run) {
  // Without a printer Qt would quietly print into a nameless PDF file.
  const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
  if (printers.isEmpty()) return false;
  QPrinterInfo chosen = QPrinterInfo::defaultPrinter();
  if (chosen.isNull()) chosen = printers.front();

  QPrinter printer(chosen, QPrinter::HighResolution);
  printer.setCopyCount(1);
  printer.setCollateCopies(true);
  printer.setPrintRange(QPrinter::AllPages);
  QPrintDialog dialog(&printer, parent);
  dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCollateCopies |
                    QAbstractPrintDialog::PrintShowPageSize);
  dialog.setMinMax(1, static_cast<int>(report.pages.size()));
  if (run(dialog) != QDialog::Accepted) return false;
  return print_report(printer, report);
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
  return build_with_progress(state_, frontend_, *report, parent_);
}

void ReportCommands::ToolButton4Click(ActiveView view) {
  if (const auto report = build(view)) print_with_dialog(*report, parent_, run_dialog);
}

void ReportCommands::ToolButton5Click(ActiveView view) {
  const auto report = build(view);
  if (!report) return;
  ReportPreview frPreview(
      *report, [this, &report] { print_with_dialog(*report, parent_, run_dialog); }, parent_);
  run_dialog(frPreview);
}

void ReportCommands::Excel1Click(ActiveView view) {
  const auto report = choose_report(state_.db_open, view.outer, view.inner,
                                    {state_.Dbf1.is_open(), state_.Dbf2.is_open(), state_.Dbf3.is_open()});
  if (!report) return;
  exp2excel(state_, frontend_, *report, frOLEExcelExport1, progress_window(parent_));
}

}  // namespace kalora::reports
