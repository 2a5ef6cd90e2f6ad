#include "app/analysis_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>
#include <algorithm>

namespace kalora::app {

namespace {

const QString value_surface = QStringLiteral("Analysis_Surface");
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

}  // namespace

QString database_value_name(const QString& prefix, const std::string& db_name) {
  const QByteArray path = QDir::cleanPath(QFileInfo(QString::fromStdString(db_name)).absoluteFilePath()).toUtf8();
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : path) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return prefix + QStringLiteral("%1").arg(hash, 16, 16, QLatin1Char('0'));
}

// The last wall and span of a database: the layers' text, ";", the total heat
// capacity in J/(m²·K) when one was given, ";", the conditions of use (B when
// missing, as in a wall kept by an earlier version), ";" and the span's ends in
// clock seconds (empty when open).
void load_database_options(const SettingsStore& store, const std::string& db_name, analysis::AnalysisOptions& o) {
  o.wall = {};
  o.span = {};
  const auto text = store.value(database_value_name(QStringLiteral("Analysis_Wall_"), db_name));
  if (!text) return;
  const QStringList parts = text->split(QLatin1Char(';'));
  const auto part = [&](int i) { return i < parts.size() ? parts[i] : QString(); };
  o.wall.conditions = analysis::conditions_of(part(2).toStdString()).value_or(analysis::Conditions::B);
  o.wall.layers = analysis::parse_layers(part(0).toStdString(), o.wall.conditions).layers;  // unreadable: no layers
  bool ok = false;
  const double capacity = part(1).toDouble(&ok);
  if (ok && capacity > 0) o.wall.heat_capacity = capacity;
  for (const auto& [i, end] : {std::pair{3, &o.span.from}, std::pair{4, &o.span.to}}) {
    const qint64 t = part(i).toLongLong(&ok);
    if (ok) *end = t;
  }
}

void save_database_options(SettingsStore& store, const std::string& db_name, const analysis::AnalysisOptions& o) {
  const auto number = [](const auto& v) { return v ? QString::number(*v, 'g', QLocale::FloatingPointShortest) : QString(); };
  const QStringList parts{QString::fromStdString(analysis::layers_text(o.wall.layers)), number(o.wall.heat_capacity),
                          o.wall.conditions == analysis::Conditions::A ? QStringLiteral("A") : QStringLiteral("B"),
                          o.span.from ? QString::number(*o.span.from) : QString(),
                          o.span.to ? QString::number(*o.span.to) : QString()};
  store.set_value(database_value_name(QStringLiteral("Analysis_Wall_"), db_name), parts.join(QLatin1Char(';')));
}

analysis::AnalysisOptions load_options(const SettingsStore& store) {
  analysis::AnalysisOptions o;
  // A new store takes the default convention. One from before the convention was
  // kept holds the user's Rsi and Rse: they stay, named by the convention they match.
  const auto named = analysis::surface_of_key(store.value(value_surface).value_or(QString()).toStdString());
  if (named && *named != analysis::Surface::custom) {
    o.use_surface(*named);
  } else if (named || store.value(value_rsi) || store.value(value_rse)) {
    o.rsi = stored(store, value_rsi, o.rsi, 10);
    o.rse = stored(store, value_rse, o.rse, 10);
    o.surface = named ? *named : analysis::surface_of(o.rsi, o.rse);
  }
  // Stores written when a series could bridge up to 30 days keep their choice as far as a series may bridge now.
  o.max_gap = std::min(stored(store, value_max_gap, o.max_gap, 30 * 86400), analysis::longest_pause);
  o.whole_days = store.value(value_whole_days) == QStringLiteral("1");
  return o;
}

void save_options(SettingsStore& store, const analysis::AnalysisOptions& o) {
  store.set_value(value_surface, QString::fromUtf8(analysis::surface_key(o.surface)));
  store.set_value(value_rsi, QString::number(o.rsi, 'g', QLocale::FloatingPointShortest));
  store.set_value(value_rse, QString::number(o.rse, 'g', QLocale::FloatingPointShortest));
  store.set_value(value_max_gap, QString::number(o.max_gap, 'g', QLocale::FloatingPointShortest));
  store.set_value(value_whole_days, o.whole_days ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace kalora::app
