// "Анализ наблюдений": the observation series of the open heat-flow table, the
// chosen series' results per channel with the criteria, its plots, and the
// settings (Rsi, Rse, the longest pause, whole days) the analysis runs with.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "analysis/average_method.h"
#include "core/frontend.h"
#include "core/state.h"
#include "protocol/particulars.h"
#include "reports/report_commands.h"

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace kalora::plot {
class PlotView;
}

namespace kalora::analysis {

class AnalysisWindow : public QDialog {
  Q_OBJECT
 public:
  // Runs a handler so that a failure is shown, never thrown out of a slot.
  using Guard = std::function<void(const std::function<void()>&)>;

  AnalysisWindow(State& state, Frontend& frontend, Guard guard, QWidget* parent = nullptr);

  // Sets the settings shown and analyses the table again with them.
  void set_options(const AnalysisOptions& options);
  const AnalysisOptions& options() const { return options_; }
  // Reads the heat-flow table again (it may have changed since).
  void reanalyse();
  const Analysis& analysis() const { return analysis_; }
  // The series whose results and plots are shown; -1 when none.
  int current_series() const;
  void choose_series(int index);

  // Told when the user changes a setting; the main window keeps it in the settings store.
  std::function<void(const AnalysisOptions&)> options_changed;
  // The protocol's particulars of the open database, and where edited ones go.
  std::function<protocol::Particulars()> load_particulars = [] { return protocol::Particulars{}; };
  std::function<void(const protocol::Particulars&)> save_particulars;
  reports::DialogRunner run_dialog = reports::exec_dialog;  // "Сведения для протокола"

  QTableWidget* series_list = nullptr;
  QTableWidget* results = nullptr;  // per channel two columns: average and dynamic method
  QLabel* results_note = nullptr;   // why a series has no results
  // The wall: layers as text ("material:mm,…"), a material and thickness to add, a
  // total heat capacity, and the design values or the error of the text.
  QLineEdit* layers_edit = nullptr;
  QComboBox* material = nullptr;
  QSpinBox* thickness = nullptr;
  QPushButton* add_layer = nullptr;
  QDoubleSpinBox* heat_capacity = nullptr;
  QComboBox* conditions = nullptr;  // "А", "Б": the λ of the built-in materials
  QLabel* design = nullptr;
  std::array<plot::PlotView*, 4> plots{};  // flux, temperatures, running R, q against the dynamic model
  QPushButton* print_button = nullptr;
  QPushButton* pdf_button = nullptr;
  QPushButton* particulars_button = nullptr;  // "Сведения для протокола…"
  QComboBox* surface = nullptr;  // the named conventions, then "заданные значения"
  // The analysed span within the chosen series, and "Весь ряд" to analyse all of it.
  QDateTimeEdit* span_from = nullptr;
  QDateTimeEdit* span_to = nullptr;
  QPushButton* whole_series = nullptr;

 private:
  void build();
  void settings_edited();
  void surface_chosen(int index);
  void surface_typed();
  void show_surface();
  QBoxLayout* build_span();
  void set_span(Span span);
  void span_typed();
  void show_span(const SeriesResult* series);
  QWidget* build_wall_editor();
  void wall_edited();
  void show_design(const std::string& error);
  void fill_series_list();
  void show_series(int index);
  void print();
  void save_pdf();

  State& state_;
  Frontend& frontend_;
  Guard guard_;
  AnalysisOptions options_;
  Analysis analysis_;
  QDoubleSpinBox* rsi_ = nullptr;
  QDoubleSpinBox* rse_ = nullptr;
  QSpinBox* max_gap_ = nullptr;
  QCheckBox* whole_days_ = nullptr;
};

}  // namespace kalora::analysis
