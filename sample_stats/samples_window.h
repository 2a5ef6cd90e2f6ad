// "Результаты по образцам": the groups of the rows chosen on the page "Стационарный"
// or "Зонд", one line each with its figures, the chosen group's plot, and the test
// record printed, previewed, saved as PDF or as a workbook.
#pragma once

#include <QDialog>
#include <functional>

#include "core/frontend.h"
#include "core/state.h"
#include "reports/report_commands.h"
#include "sample_stats/sample_record.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace kalora::plot {
class PlotView;
}

namespace kalora::samples {

class SamplesWindow : public QDialog {
  Q_OBJECT
 public:
  // Runs a handler so that a failure is shown, never thrown out of a slot.
  using Guard = std::function<void(const std::function<void()>&)>;

  SamplesWindow(State& state, Frontend& frontend, Guard guard, QWidget* parent = nullptr);

  // The rows to show, grouped; `selection` says whether they are the selected rows.
  void show_results(SampleResults results, bool selection);
  const SampleResults& results() const { return results_; }
  // The group whose plot is shown; -1 when none.
  int current_group() const;
  void choose_group(int index);
  // The record of every group shown, printed today.
  reports::BuiltReport record() const;

  // The protocol's particulars of the open database, and where edited ones go: the
  // main window keeps them in the settings store.
  std::function<protocol::Particulars()> load_particulars = [] { return protocol::Particulars{}; };
  std::function<void(const protocol::Particulars&)> save_particulars;
  reports::DialogRunner run_dialog = reports::exec_dialog;  // print dialog and preview

  QLabel* summary = nullptr;
  QTableWidget* groups = nullptr;
  plot::PlotView* plot_view = nullptr;
  QPushButton* particulars_button = nullptr;  // "Сведения для протокола…"
  QPushButton* print_button = nullptr;
  QPushButton* preview_button = nullptr;
  QPushButton* pdf_button = nullptr;
  QPushButton* excel_button = nullptr;

 private:
  void build();
  void fill_groups();
  void show_group(int index);
  void edit_particulars();
  void print();
  void preview();
  void save_pdf();
  void save_workbook();

  State& state_;
  Frontend& frontend_;
  Guard guard_;
  SampleResults results_;
};

}  // namespace kalora::samples
