#include "app/settings.h"

namespace kalora::app {

namespace {

std::unique_ptr<QSettings> open_user_store() {
#ifdef Q_OS_WIN
  return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Velmora\\KALORA\\1.0"),
                                     QSettings::NativeFormat);
#else
  // $XDG_CONFIG_HOME/Velmora/KALORA/1.0.conf: the same path as the registry key.
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Velmora"),
                                     QStringLiteral("KALORA/1.0"));
#endif
}

}  // namespace

SettingsStore::SettingsStore() : settings_(open_user_store()) {}

SettingsStore::SettingsStore(const QString& file)
    : settings_(std::make_unique<QSettings>(file, QSettings::IniFormat)) {}

std::optional<QString> SettingsStore::value(const QString& name) const {
  if (!settings_->contains(name)) return std::nullopt;
  return settings_->value(name).toString();
}

void SettingsStore::set_value(const QString& name, const QString& text) {
  settings_->setValue(name, text);
  settings_->sync();
}

QString SettingsStore::location() const { return settings_->fileName(); }

QString table_layout_value(int grid) { return QStringLiteral("Table_%1").arg(grid); }

}  // namespace kalora::app
