// "Анализ наблюдений": the observation series of the open heat-flow table, the
// chosen series' results per channel with the criteria, its plots, and the
// settings (Rsi, Rse, the longest pause, whole days) the analysis runs with.
// The analysis runs beside the window: series appear as they are finished, its
// progress is shown and it can be cancelled; closing the window cancels it.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <set>

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
class QGridLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace kalora::plot {
class PlotView;
}

namespace kalora::analysis {

class AnalysisRun;
class FlowLayout;

class AnalysisWindow : public QDialog {
  Q_OBJECT
 public:
  // Runs a handler so that a failure is shown, never thrown out of a slot.
  using Guard = std::function<void(const std::function<void()>&)>;

  AnalysisWindow(State& state, Frontend& frontend, Guard guard, QWidget* parent = nullptr);
  ~AnalysisWindow() override;

  // Sets the settings shown and analyses the table again with them.
  void set_options(const AnalysisOptions& options);
  const AnalysisOptions& options() const { return options_; }
  // Reads the heat-flow table again (it may have changed since) and starts its analysis.
  void reanalyse();
  // The analysis or the growth of the shown series is still being computed.
  bool busy() const;
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
  // Flux, temperatures, running R, q against the dynamic model, R_best as the series grew.
  std::array<plot::PlotView*, 5> plots{};
  QProgressBar* progress = nullptr;  // "Анализ: серия k из n…"
  QLabel* progress_text = nullptr;
  QPushButton* cancel_button = nullptr;  // "Отменить", after a cancel "Повторить"
  QPushButton* print_button = nullptr;
  QPushButton* pdf_button = nullptr;
  QPushButton* particulars_button = nullptr;  // "Сведения для протокола…"
  QComboBox* surface = nullptr;               // the named conventions, then "заданные значения"
  // The analysed span within the chosen series, and "Весь ряд" to analyse all of it.
  QDateTimeEdit* span_from = nullptr;
  QDateTimeEdit* span_to = nullptr;
  QPushButton* whole_series = nullptr;

 protected:
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void build();
  QWidget* build_results();
  void arrange(int width);
  void fit_results_height();
  void stop_run();
  void series_arrived(SeriesResult series, std::size_t total, bool finished);
  bool complete(int index) const;  // the series' results are all in
  void run_finished(bool stopped);
  void growth_arrived(std::size_t series, std::vector<std::vector<ChannelResult::GrowthStep>> growth);
  void show_progress();
  void show_growth(int index);
  void settings_edited();
  void surface_chosen(int index);
  void surface_typed();
  void show_surface();
  void build_span(FlowLayout& into);
  void set_span(Span span);
  void span_typed();
  void show_span(const SeriesResult* series);
  QWidget* build_wall_editor();
  void wall_edited();
  void show_design(const std::string& error);
  void add_series_row(const SeriesResult& series);
  void fit_series_list();
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
  QBoxLayout* top_ = nullptr;  // the series and the wall, side by side or stacked
  QGridLayout* plots_layout_ = nullptr;
  int plot_columns_ = 0;

  // The run of the analysis and those stopped but not yet ended; results of an
  // earlier generation than the current one are dropped.
  std::unique_ptr<AnalysisRun> run_;
  std::vector<std::unique_ptr<AnalysisRun>> retired_;
  unsigned generation_ = 0;
  std::size_t total_ = 0;       // series to come, once the first is known
  std::size_t finished_ = 0;    // series with all their results
  std::vector<bool> complete_;  // per series in analysis_
  bool series_done_ = true;     // every series is in (or the run was stopped)
  bool cancelled_ = false;
  int wanted_series_ = -1;                // shown once it arrives
  bool chosen_ = false;                   // a series has been shown since the run began
  std::set<std::size_t> growth_pending_;  // asked of the run, not yet in
  std::set<std::size_t> growth_known_;    // in, even when no step gave an R
};

}  // namespace kalora::analysis
