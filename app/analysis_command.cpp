// "Анализ наблюдений": the analysis window over the open heat-flow table, with its
// settings kept in the settings store between runs.
#include "analysis/analysis_window.h"
#include "app/analysis_settings.h"
#include "app/main_window.h"
#include "app/protocol_settings.h"
#include "views/window_fit.h"

namespace kalora::app {

void TForm1::Analysis1Click() {
  if (!state_.Dbf3.is_open()) return;
  if (!analysis_window) {
    analysis_window = new analysis::AnalysisWindow(
        state_, frontend(), [this](const std::function<void()>& h) { guarded(h); }, this);
    analysis_window->options_changed = [this](const analysis::AnalysisOptions& o) {
      save_options(settings(), o);
      save_database_options(settings(), state_.db_name, o);
    };
    analysis_window->load_particulars = [this] { return load_particulars(settings(), state_.db_name); };
    analysis_window->save_particulars = [this](const protocol::Particulars& p) {
      save_particulars(settings(), state_.db_name, p);
    };
    analysis::AnalysisOptions options = load_options(settings());
    load_database_options(settings(), state_.db_name, options);
    analysis_window->set_options(options);
    views::restore_window_place(*analysis_window, settings().value(value_analysis_place).value_or(QString()));
  } else {
    // The database may be another one since: its own last wall and span.
    analysis::AnalysisOptions options = analysis_window->options();
    load_database_options(settings(), state_.db_name, options);
    analysis_window->set_options(options);
  }
  analysis_window->show();
  analysis_window->raise();
  analysis_window->activateWindow();
}

void TForm1::close_analysis() {
  if (analysis_window) analysis_window->hide();
}

}  // namespace kalora::app
