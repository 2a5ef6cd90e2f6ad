#include "app/settings.h"

#include <gtest/gtest.h>

#include "qt_app.h"
#include "support/temp_dir.h"

namespace kalora::app {
namespace {

TEST(Settings, ValuesSurviveReopening) {
  test::qt_app();
  test::TempDir dir;
  const QString file = QString::fromStdString(dir.file("store.ini"));
  const QString layout = QStringLiteral("FieldName=N;Width=80\r\nFieldName=DATE;Width=77");
  {
    SettingsStore store(file);
    EXPECT_FALSE(store.value(value_default_dir));
    store.set_value(value_default_dir, QStringLiteral("/home/пользователь/замеры"));
    store.set_value(table_layout_value(3), layout);
    store.set_value(value_port_1, QStringLiteral("/dev/pts/7"));
  }
  SettingsStore again(file);
  EXPECT_EQ(again.value(QStringLiteral("Default_dir")), QStringLiteral("/home/пользователь/замеры"));
  EXPECT_EQ(again.value(QStringLiteral("Table_3")), layout);
  EXPECT_EQ(again.value(QStringLiteral("Port_1")), QStringLiteral("/dev/pts/7"));
  EXPECT_FALSE(again.value(QStringLiteral("Port_2")));
}

#ifndef _WIN32
TEST(Settings, UserStoreLivesUnderTheKeyPath) {
  test::TempDir dir;
  // Must come before the first user store of this process: Qt reads the folder once.
  setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  test::qt_app();
  SettingsStore store;
  store.set_value(value_default_dir, QStringLiteral("/tmp"));
  EXPECT_EQ(store.location(), QString::fromStdString(dir.file("Velmora/KALORA/1.0.ini")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("Velmora/KALORA/1.0.ini")));
}
#endif

}  // namespace
}  // namespace kalora::app
