// The program's settings store: one key "Software/Velmora/KALORA/1.0" under the
// current user (the registry on Windows, the user's configuration file elsewhere).
// Opened once at start-up and kept for the whole run.
#pragma once

#include <QSettings>
#include <QString>
#include <memory>
#include <optional>

namespace kalora::app {

class SettingsStore {
 public:
  // The user's own store.
  SettingsStore();
  // A store in the given file; tests and the demonstration run keep theirs apart.
  explicit SettingsStore(const QString& file);

  std::optional<QString> value(const QString& name) const;
  void set_value(const QString& name, const QString& text);
  // Where the values live (registry key or file path).
  QString location() const;

 private:
  std::unique_ptr<QSettings> settings_;
};

inline const QString value_default_dir = QStringLiteral("Default_dir");
inline const QString value_port_1 = QStringLiteral("Port_1");
inline const QString value_port_2 = QStringLiteral("Port_2");
// The size and place of the analysis, results-per-sample and preview windows.
inline const QString value_analysis_place = QStringLiteral("Window_Analysis");
inline const QString value_samples_place = QStringLiteral("Window_Samples");
inline const QString value_preview_place = QStringLiteral("Window_Preview");
// "Table_1" to "Table_5": the column layout of grid 1 to 5.
QString table_layout_value(int grid);

}  // namespace kalora::app
