// "Анализ наблюдений": the analysis window over the open heat-flow table, with its
// settings kept in the settings store between runs.
#include <QString>

#include "analysis/analysis_window.h"
#include "app/main_window.h"

namespace kalora::app {

namespace {

const QString value_rsi = QStringLiteral("Analysis_Rsi");
const QString value_rse = QStringLiteral("Analysis_Rse");
const QString value_max_gap = QStringLiteral("Analysis_Max_gap");
const QString value_whole_days = QStringLiteral("Analysis_Whole_days");

// A stored number, or the default when it is missing or not a number of the range.
double stored(const SettingsStore& store, const QString& name, double fallback, double high) {
  const auto text = store.value(name);
  bool ok = false;
  const double v = text ? text->toDouble(&ok) : 0;
  return ok && v >= 0 && v <= high ? v : fallback;
}

analysis::AnalysisOptions load_options(const SettingsStore& store) {
  analysis::AnalysisOptions o;
  o.rsi = stored(store, value_rsi, o.rsi, 10);
  o.rse = stored(store, value_rse, o.rse, 10);
  o.max_gap = stored(store, value_max_gap, o.max_gap, 30 * 86400);
  o.whole_days = store.value(value_whole_days) == QStringLiteral("1");
  return o;
}

void save_options(SettingsStore& store, const analysis::AnalysisOptions& o) {
  store.set_value(value_rsi, QString::number(o.rsi, 'g', 17));
  store.set_value(value_rse, QString::number(o.rse, 'g', 17));
  store.set_value(value_max_gap, QString::number(o.max_gap, 'g', 17));
  store.set_value(value_whole_days, o.whole_days ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace

void TForm1::Analysis1Click() {
  if (!state_.Dbf3.is_open()) return;
  if (!analysis_window) {
    analysis_window = new analysis::AnalysisWindow(
        state_, frontend(), [this](const std::function<void()>& h) { guarded(h); }, this);
    analysis_window->options_changed = [this](const analysis::AnalysisOptions& o) { save_options(settings(), o); };
    analysis_window->set_options(load_options(settings()));
  } else {
    analysis_window->reanalyse();
  }
  analysis_window->show();
  analysis_window->raise();
  analysis_window->activateWindow();
}

void TForm1::close_analysis() {
  if (analysis_window) analysis_window->hide();
}

}  // namespace kalora::app
