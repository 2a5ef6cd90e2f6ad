#include "app/settings.h"
#include "app/analysis_settings.h"

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

// A new store takes the Russian norms' surface resistances; a store from before the
// convention was kept keeps the user's values, named by the convention they match.
TEST(Settings, SurfaceResistancesOfNewAndEarlierStores) {
  using analysis::Surface;
  test::qt_app();
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> stored;
    Surface surface;
    double rsi, rse;
  };
  const Case cases[] = {
      {"new store", {}, Surface::sp50, 1 / 8.7, 1 / 23.0},
      {"earlier store at ISO's values",
       {{"Analysis_Rsi", "0.13"}, {"Analysis_Rse", "0.04"}},
       Surface::iso6946,
       0.13,
       0.04},
      {"earlier store, typed values", {{"Analysis_Rsi", "0.1"}, {"Analysis_Rse", "0.05"}}, Surface::custom, 0.1, 0.05},
      {"convention named", {{"Analysis_Surface", "sp50"}, {"Analysis_Rsi", "0.1"}}, Surface::sp50, 1 / 8.7, 1 / 23.0},
      {"custom named",
       {{"Analysis_Surface", "custom"}, {"Analysis_Rsi", "0.12"}, {"Analysis_Rse", "0.05"}},
       Surface::custom,
       0.12,
       0.05},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const QString file = QString::fromStdString(dir.file("store.ini"));
    {
      SettingsStore store(file);
      for (const auto& [name, value] : c.stored) store.set_value(QString::fromUtf8(name), QString::fromUtf8(value));
      const auto o = load_options(store);
      EXPECT_EQ(o.surface, c.surface);
      EXPECT_EQ(o.rsi, c.rsi);
      EXPECT_EQ(o.rse, c.rse);
      save_options(store, o);
    }
    const auto again = load_options(SettingsStore(file));
    EXPECT_EQ(again.surface, c.surface);
    EXPECT_EQ(again.rsi, c.rsi);
  }
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
