// The analysis window's settings in the settings store: the surface resistances,
// the longest pause and whole days for every database, and each database's last wall
// and span.
#pragma once

#include <string>

#include "analysis/average_method.h"
#include "app/settings.h"

namespace kalora::app {

analysis::AnalysisOptions load_options(const SettingsStore& store);
void save_options(SettingsStore& store, const analysis::AnalysisOptions& options);
// A name for values kept per database, made from its full path (a path itself
// would be cut into groups by the store).
QString database_value_name(const QString& prefix, const std::string& db_name);
// The wall and the analysed span last used with a database; none for another one.
void load_database_options(const SettingsStore& store, const std::string& db_name, analysis::AnalysisOptions& options);
void save_database_options(SettingsStore& store, const std::string& db_name, const analysis::AnalysisOptions& options);

}  // namespace kalora::app
