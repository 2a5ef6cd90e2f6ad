// "Порт прибора…": the port values in the settings from the first run on, the
// dialog's list with "Обновить", and the choice it stores.
#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include "app/port_dialog.h"
#include "device/download.h"
#include "window_fixture.h"

namespace kalora::test {
namespace {

using PortChoiceCommand = WindowTest;

QStringList items(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

TEST_F(PortChoiceCommand, SettingsShowThePortsAndTheDialogStoresTheChoice) {
  system_ports = {{"/dev/ttyUSB0", "FT232R USB UART", "FTDI"}};
  auto& w = start();
  const auto stored = [this](const char* name) { return QSettings(settings_file(), QSettings::IniFormat).value(name); };
  const auto defaults = default_port_names();
  EXPECT_EQ(stored("Port_1").toString().toStdString(), defaults[0]);
  EXPECT_EQ(stored("Port_2").toString().toStdString(), defaults[1]);
  EXPECT_EQ(stored("Port_auto"), "1");
  EXPECT_TRUE(QSettings(settings_file(), QSettings::IniFormat).contains("Port_last"));

  // In "Файл", right before "Выход".
  const QList<QAction*> file_menu = w.menuBar()->actions().front()->menu()->actions();
  const auto port = std::find_if(file_menu.begin(), file_menu.end(),
                                 [](const QAction* a) { return a->iconText() == QStringLiteral("Порт прибора…"); });
  ASSERT_NE(port, file_menu.end());
  ASSERT_NE(port + 1, file_menu.end());
  EXPECT_EQ((*(port + 1))->iconText(), "Выход");

  struct Step {
    const char* name;
    std::vector<SerialPortInfo> plugged_in;  // listed once "Обновить" is pressed
    QStringList shown;                       // the list after that
    QString selected_before;
    int choose;  // the row chosen, -1 to cancel the dialog
    QString port_1, port_auto;
  };
  const std::vector<Step> steps{
      {"adapter plugged in while the dialog is open",
       {{"/dev/ttyACM0", "", ""}},
       {"Автоматически", "/dev/ttyUSB0 — FT232R USB UART (FTDI)", "/dev/ttyACM0"},
       "Автоматически",
       2,
       "/dev/ttyACM0",
       "0"},
      {"cancelled",
       {},
       {"Автоматически", "/dev/ttyUSB0 — FT232R USB UART (FTDI)", "/dev/ttyACM0"},
       "/dev/ttyACM0",
       1,
       "/dev/ttyACM0",
       "0"},
      {"back to the search",
       {},
       {"Автоматически", "/dev/ttyUSB0 — FT232R USB UART (FTDI)", "/dev/ttyACM0"},
       "/dev/ttyACM0",
       0,
       "/dev/ttyACM0",
       "1"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    const bool cancel = std::string_view(s.name) == "cancelled";
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<app::PortDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle(), "Порт прибора");
      EXPECT_EQ(dialog->PortList->currentItem()->text(), s.selected_before);
      system_ports.insert(system_ports.end(), s.plugged_in.begin(), s.plugged_in.end());
      dialog->RefreshButton->click();
      EXPECT_EQ(items(dialog->PortList), s.shown);
      EXPECT_EQ(dialog->PortList->currentItem()->text(), s.selected_before);  // kept over the refresh
      dialog->PortList->setCurrentRow(s.choose);
      cancel ? dialog->reject() : dialog->accept();
    });
    (*port)->trigger();
    EXPECT_EQ(stored("Port_1"), s.port_1);
    EXPECT_EQ(stored("Port_auto"), s.port_auto);
    EXPECT_TRUE(dialogs.messages.empty());
  }
  const PortChoice choice = app::read_port_choice(w.settings());
  EXPECT_TRUE(choice.automatic);
  EXPECT_EQ(choice.second, defaults[1]);
}

}  // namespace
}  // namespace kalora::test
