// "Порт прибора…": where the download looks for the instrument. "Автоматически"
// (the default) or one of the serial ports the system lists; "Обновить" lists
// them again for an adapter plugged in meanwhile. The choice lives in the
// settings store: "Port_1" (the chosen port, and the first port of a search),
// "Port_2" (the second), "Port_auto" (1 for "Автоматически", 0 for the chosen
// port alone) and "Port_last" (where the instrument last answered).
#pragma once

#include <QDialog>

#include "app/settings.h"
#include "device/port_search.h"

class QDialogButtonBox;
class QListWidget;
class QPushButton;

namespace kalora::app {

inline const QString value_port_auto = QStringLiteral("Port_auto");
inline const QString value_port_last = QStringLiteral("Port_last");

// The choice as stored; values not there yet read as their defaults.
PortChoice read_port_choice(const SettingsStore& settings);
// Writes the port values that are missing, so they can be seen and edited from the first run on.
void write_port_defaults(SettingsStore& settings);
void write_port_choice(SettingsStore& settings, const PortChoice& choice);

class PortDialog : public QDialog {
  Q_OBJECT

 public:
  PortDialog(PortLister lister, const PortChoice& current, QWidget* parent = nullptr);

  // The current choice with the line selected: "Автоматически" or that port.
  PortChoice choice() const;
  // Asks the system for its ports again, keeping the selection where it can.
  void refresh();

  QListWidget* PortList;
  QPushButton* RefreshButton;
  QDialogButtonBox* Buttons;

 private:
  PortLister lister_;
  PortChoice current_;
};

}  // namespace kalora::app
