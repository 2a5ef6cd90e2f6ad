// Print, preview and export of the view being shown, in the desktop program:
// the report is chosen and built, then printed through
// the print dialog, shown in the preview window or exported to a workbook.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "core/frontend.h"
#include "core/state.h"
#include "reports/excel_export.h"
#include "reports/report_choice.h"

class QCheckBox;
class QPrinter;
class QWidget;

namespace kalora::reports {

// The view being shown: the outer tab and, for "Поток", the inner one.
struct ActiveView {
  OuterTab outer = OuterTab::stat;
  InnerTab inner = InnerTab::flow;
};

// Runs a modal dialog and returns its result; tests answer dialogs through it.
using DialogRunner = std::function<int(QDialog&)>;
int exec_dialog(QDialog& dialog);

// The options of the workbook export, shown before each export.
class ExcelOptionsDialog : public QDialog {
  Q_OBJECT
 public:
  ExcelOptionsDialog(TfrOLEExcelExport& exporter, QWidget* parent = nullptr);
  void accept() override;

 private:
  TfrOLEExcelExport& exporter_;
  QCheckBox* open_after_ = nullptr;
};

// The report of the shown view; nothing (the user told) when the table cannot be read.
std::optional<BuiltReport> build_shown_report(State& state, Frontend& frontend, ReportId report);

inline constexpr const char* no_printer_text = "Принтер не установлен. Сохраните отчёт в PDF или книгу Excel.";

// The print dialog (copies 1, collation on, all pages or a range; the paper is the
// reports' A4 landscape), then printing. Nothing but the message no_printer_text when
// no printer is installed; nothing when the dialog is cancelled.
bool print_with_dialog(const BuiltReport& report, QWidget* parent, Frontend& frontend,
                       const DialogRunner& run = exec_dialog);
// "PDF…" of the preview: the file dialog, then the file; a failure is told.
void save_report_pdf(const BuiltReport& report, State& state, Frontend& frontend);
// The same on a printer of the caller's.
bool print_with_dialog(const BuiltReport& report, QPrinter& printer, QWidget* parent, const DialogRunner& run);

class ReportCommands {
 public:
  ReportCommands(State& state, Frontend& frontend, QWidget* parent);

  void ToolButton4Click(ActiveView view);  // Печать
  void ToolButton5Click(ActiveView view);  // Предварительный просмотр
  void Excel1Click(ActiveView view);       // Экспорт в Excel

  TfrOLEExcelExport frOLEExcelExport1;
  DialogRunner run_dialog = exec_dialog;  // print dialog, preview window, export options
  QString preview_place;  // the preview's last size and place (views/window_fit.h), kept by the main window

 private:
  std::optional<BuiltReport> build(ActiveView view);

  State& state_;
  Frontend& frontend_;
  QWidget* parent_;
};

}  // namespace kalora::reports
