#include "app/protocol_settings.h"

#include "app/analysis_settings.h"

namespace kalora::app {

namespace {

QString value_name(const protocol::Field& f, const std::string& db_name) {
  const QString name = QStringLiteral("Protocol_") + QString::fromUtf8(f.key.data(), static_cast<int>(f.key.size()));
  return f.scope == protocol::Scope::laboratory ? name : database_value_name(name + '_', db_name);
}

// The header of the sample record the results-per-sample window kept before.
struct Former {
  std::string_view key;
  QString name;
  QString prefix;  // before the stored text
};
const Former former[] = {
    {"organisation", QStringLiteral("Samples_Organisation"), {}},
    {"operator", QStringLiteral("Samples_Operator"), {}},
    {"instrument", QStringLiteral("Samples_Instrument"), QStringLiteral("КАЛОРА-5, заводской № ")},
};

}  // namespace

protocol::Particulars load_particulars(const SettingsStore& store, const std::string& db_name) {
  protocol::Particulars p;
  for (std::size_t i = 0; i < protocol::fields.size(); ++i)
    if (const auto v = store.value(value_name(protocol::fields[i], db_name))) p.values[i] = v->toStdString();
  for (const Former& f : former) {
    std::string& value = p[f.key];
    if (!value.empty() || store.value(value_name(protocol::fields[protocol::field_index(f.key)], db_name))) continue;
    if (const auto v = store.value(f.name); v && !v->trimmed().isEmpty()) value = (f.prefix + *v).toStdString();
  }
  return p;
}

void save_particulars(SettingsStore& store, const std::string& db_name, const protocol::Particulars& p) {
  for (std::size_t i = 0; i < protocol::fields.size(); ++i)
    store.set_value(value_name(protocol::fields[i], db_name), QString::fromStdString(p.values[i]));
}

}  // namespace kalora::app
