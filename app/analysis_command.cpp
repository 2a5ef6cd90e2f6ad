// "Анализ наблюдений": the analysis window over the open heat-flow table, with its
// settings kept in the settings store between runs.
#include <QDir>
#include <QFileInfo>
#include <QString>

#include "analysis/analysis_window.h"
#include "analysis/wall_layers.h"
#include "app/main_window.h"

namespace kalora::app {

namespace {

const QString value_rsi = QStringLiteral("Analysis_Rsi");
const QString value_rse = QStringLiteral("Analysis_Rse");
const QString value_max_gap = QStringLiteral("Analysis_Max_gap");
const QString value_whole_days = QStringLiteral("Analysis_Whole_days");

// The last wall of a database, under a name made from its full path (a path itself
// would be cut into groups by the store): the layers' text, then ";" and the total
// heat capacity in J/(m²·K) when one was given.
QString wall_value_name(const std::string& db_name) {
  const QByteArray path = QDir::cleanPath(QFileInfo(QString::fromStdString(db_name)).absoluteFilePath()).toUtf8();
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : path) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return QStringLiteral("Analysis_Wall_%1").arg(hash, 16, 16, QLatin1Char('0'));
}

analysis::Wall load_wall(const SettingsStore& store, const std::string& db_name) {
  analysis::Wall wall;
  const auto text = store.value(wall_value_name(db_name));
  if (!text) return wall;
  const QStringList parts = text->split(QLatin1Char(';'));
  wall.layers = analysis::parse_layers(parts[0].toStdString()).layers;  // unreadable: no layers
  bool ok = false;
  const double capacity = parts.size() > 1 ? parts[1].toDouble(&ok) : 0;
  if (ok && capacity > 0) wall.heat_capacity = capacity;
  return wall;
}

void save_wall(SettingsStore& store, const std::string& db_name, const analysis::Wall& wall) {
  QString text = QString::fromStdString(analysis::layers_text(wall.layers));
  if (wall.heat_capacity) text += QLatin1Char(';') + QString::number(*wall.heat_capacity, 'g', 17);
  store.set_value(wall_value_name(db_name), text);
}

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
    analysis_window->options_changed = [this](const analysis::AnalysisOptions& o) {
      save_options(settings(), o);
      save_wall(settings(), state_.db_name, o.wall);
    };
    analysis::AnalysisOptions options = load_options(settings());
    options.wall = load_wall(settings(), state_.db_name);
    analysis_window->set_options(options);
  } else {
    // The database may be another one since: its own last wall.
    analysis::AnalysisOptions options = analysis_window->options();
    options.wall = load_wall(settings(), state_.db_name);
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
