#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

#include "app/about.h"
#include "app/help_window.h"
#include "app/private_font.h"
#include "views/db_grid.h"
#include "window_fixture.h"

namespace kalora::test {
namespace {

QAction* action(app::TForm1& w, const QString& text) {
  for (auto* a : w.findChildren<QAction*>())
    if (a->iconText() == text && a->parent() != w.PopupMenu1) return a;  // the text without its '&'
  return nullptr;
}

QToolButton* button(app::TForm1& w, const char* name) { return w.findChild<QToolButton*>(QString::fromLatin1(name)); }

QStringList visible_tabs(const QTabWidget* control) {
  QStringList tabs;
  for (int i = 0; i < control->count(); ++i)
    if (control->isTabVisible(i)) tabs << control->tabText(i);
  return tabs;
}

QColor background(app::TForm1& w) { return w.centralWidget()->palette().color(QPalette::Window); }

const char* const database_commands[] = {"Сохранить",
                                         "Закрыть",
                                         "Предварительный просмотр",
                                         "Печать",
                                         "Экспорт в Excel",
                                         "Удалить строки",
                                         "Задать цвет",
                                         "Убрать цвет",
                                         "Убрать все цвета",
                                         "Убрать сортировку",
                                         "Выровнять столбцы"};
const char* const always_enabled[] = {"Создать", "Открыть", "Дополнить",  "Загрузить bin файл",
                                      "Выход",   "Помощь",  "О программе"};
const char* const database_buttons[] = {"ToolButton3", "ToolButton4", "ToolButton5", "ToolButton7"};
const char* const other_buttons[] = {"ToolButton1", "ToolButton2", "ToolButton6"};

void expect_commands_enabled(app::TForm1& w, bool database) {
  for (const char* text : database_commands) {
    QAction* a = action(w, QString::fromUtf8(text));
    ASSERT_NE(a, nullptr) << text;
    EXPECT_EQ(a->isEnabled(), database) << text;
  }
  for (const char* text : always_enabled) {
    QAction* a = action(w, QString::fromUtf8(text));
    ASSERT_NE(a, nullptr) << text;
    EXPECT_TRUE(a->isEnabled()) << text;
  }
  for (const char* name : database_buttons) EXPECT_EQ(button(w, name)->isEnabled(), database) << name;
  for (const char* name : other_buttons) EXPECT_TRUE(button(w, name)->isEnabled()) << name;
  for (auto* a : w.PopupMenu1->actions()) EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
}

using StartUp = WindowTest;

TEST_F(StartUp, FirstRunShowsTheEmptyWindowAndWritesDefaultDir) {
  auto& w = start();
  EXPECT_FALSE(w.start_failed());
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(w.windowTitle(), QStringLiteral("КАЛОРА-5"));
  EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
  EXPECT_FALSE(w.PageControl1->isVisibleTo(&w));
  EXPECT_TRUE(visible_tabs(w.PageControl1).isEmpty());
  EXPECT_TRUE(visible_tabs(w.PageControl2).isEmpty());
  EXPECT_EQ(background(w), QApplication::palette().color(QPalette::Dark));
  expect_commands_enabled(w, false);
  EXPECT_EQ(w.active_grid(), 0);

  EXPECT_TRUE(w.EmptyHint->isVisibleTo(&w));
  EXPECT_EQ(
      w.EmptyHint->text(),
      QStringLiteral("Создать — приём данных с прибора, Открыть — база данных, Загрузить bin файл — образ памяти"));
  // The first time the dialogs start in the user's documents, else the home folder.
  QString here = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!QDir(here).exists()) here = QDir::homePath();
  here = QDir::toNativeSeparators(here);
  EXPECT_EQ(QString::fromStdString(w.state().default_dir), here);
  EXPECT_EQ(QSettings(settings_file(), QSettings::IniFormat).value("Default_dir").toString(), here);
  EXPECT_TRUE(QFontDatabase::families().contains(app::private_font_family));
  EXPECT_EQ(w.private_font().font_path(), QDir::current().absoluteFilePath("my_font.ttf"));
  // No help file beside the test program: the fixed default stays.
  EXPECT_EQ(w.help_file(), app::default_help_file());
}

TEST_F(StartUp, StoredFolderIsKeptAndGivenToTheDialogs) {
  QSettings(settings_file(), QSettings::IniFormat).setValue("Default_dir", "/data/замеры");
  auto& w = start();
  EXPECT_EQ(w.state().default_dir, "/data/замеры");
  EXPECT_EQ(QSettings(settings_file(), QSettings::IniFormat).value("Default_dir").toString(),
            QStringLiteral("/data/замеры"));
}

TEST_F(StartUp, MissingFontEndsTheProgramWithAMessage) {
  std::filesystem::remove(dir.file("my_font.ttf"));
  ASSERT_FALSE(QFontDatabase::families().contains(app::private_font_family));
  auto& w = start();
  EXPECT_TRUE(w.start_failed());
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].kind, Message::error);
  // The message names every place the font was looked for.
  const QString text = QString::fromStdString(dialogs.messages[0].text);
  EXPECT_TRUE(text.startsWith("Не удалось установить в систему шрифт\nmy_font.ttf не найден в папках:"))
      << dialogs.messages[0].text;
  for (const QString& folder : app::PrivateFont::font_folders())
    EXPECT_TRUE(text.contains(folder)) << folder.toStdString();
  // The remaining start-up steps still ran.
  EXPECT_TRUE(QSettings(settings_file(), QSettings::IniFormat).contains("Default_dir"));
  EXPECT_FALSE(w.PageControl1->isVisibleTo(&w));
}

TEST_F(StartUp, FontIsTakenFromTheFirstFolderThatHoldsIt) {
  const TempDir empty;
  const std::string here = dir.path().string();
  const struct {
    std::vector<std::string> folders;
    bool found;
    std::string from;
  } cases[] = {{{empty.path().string(), here}, true, here},
               {{here, empty.path().string()}, true, here},
               {{empty.path().string()}, false, ""}};
  for (const auto& c : cases) {
    app::PrivateFont font;
    QStringList folders;
    for (const auto& f : c.folders) folders << QString::fromStdString(f);
    EXPECT_EQ(font.install(folders), c.found);
    EXPECT_EQ(c.found ? QDir::toNativeSeparators(QFileInfo(font.font_path()).absolutePath()).toStdString()
                      : font.font_path().toStdString(),
              c.from);
  }
}

TEST_F(StartUp, ExitAndCloseBoxShutDownAlike) {
  for (const bool by_menu : {true, false}) {
    SCOPED_TRACE(by_menu ? "Выход" : "close box");
    auto& w = start();
    w.state().default_dir = by_menu ? "/data/меню" : "/data/рамка";
    w.state().zond_present = 1;
    w.set_visible();
    w.en_but();
    w.set_title(QStringLiteral("wall - КАЛОРА-5"));
    if (by_menu)
      action(w, QStringLiteral("Выход"))->trigger();
    else
      w.close();
    EXPECT_EQ(QSettings(settings_file(), QSettings::IniFormat).value("Default_dir").toString(),
              QString::fromStdString(w.state().default_dir));
    EXPECT_FALSE(QFontDatabase::families().contains(app::private_font_family));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("КАЛОРА-5"));
    EXPECT_FALSE(w.PageControl1->isVisibleTo(&w));
    expect_commands_enabled(w, false);
    window.reset();
  }
}

using Pages = WindowTest;

TEST_F(Pages, FlagsChooseThePagesAndTheActivePage) {
  struct Case {
    std::uint8_t stat, zond, potok;
    QStringList tabs;
    int active_grid;
  };
  const Case cases[] = {
      {0, 1, 0, {"Зонд"}, 2},  {1, 1, 0, {"Стационарный", "Зонд"}, 1}, {1, 0, 0, {"Стационарный"}, 1},
      {0, 0, 1, {"Поток"}, 0},  // no heat-flow table open: no inner page to show
      {0, 0, 0, {}, 0},
  };
  auto& w = start();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tabs.join(",").toStdString());
    w.state().stat_present = c.stat;
    w.state().zond_present = c.zond;
    w.state().potok_present = c.potok;
    w.set_visible();
    EXPECT_TRUE(w.PageControl1->isVisibleTo(&w));
    EXPECT_EQ(visible_tabs(w.PageControl1), c.tabs);
    EXPECT_EQ(w.active_grid(), c.active_grid);
    EXPECT_EQ(background(w), QApplication::palette().color(QPalette::Button));
    w.show_empty_state();
  }
}

TEST_F(Pages, ChannelMaskHidesTheColumnsOfMissingChannels) {
  auto& w = start();
  w.state().potok_present = 1;
  for (const std::uint16_t mask : {5, 7, 1, 0}) {
    SCOPED_TRACE(mask);
    w.state().channel_mask = mask;
    w.set_visible();
    for (int g = 3; g <= 5; ++g) {
      const auto* grid = w.grid(g);
      for (const auto& c : grid->grid_model()->columns()) {
        bool hidden = false;
        for (int channel = 1; channel <= 3; ++channel)
          hidden = hidden || (views::is_channel_column(c.field, channel) && !(mask & (1 << (channel - 1))));
        EXPECT_EQ(grid->is_field_hidden(c.field), hidden) << "grid " << g << " " << c.field;
      }
    }
  }
  // Channel 2 away: "Примечание" of channel 2 goes too, N, DATE, TIME and MODE_ stay.
  w.state().channel_mask = 5;
  w.set_visible();
  EXPECT_TRUE(w.grid(3)->is_field_hidden("COMMENT_2"));
  EXPECT_TRUE(w.grid(4)->is_field_hidden("T_EXT_2"));
  for (const char* field : {"N", "DATE", "TIME", "MODE_", "COMMENT_1", "RES_3"})
    EXPECT_FALSE(w.grid(5)->is_field_hidden(field)) << field;
}

TEST_F(Pages, ShortcutsOfTheMainMenu) {
  auto& w = start();
  const std::pair<const char*, const char*> shortcuts[] = {
      {"Создать", "Ctrl+N"}, {"Открыть", "Ctrl+O"}, {"Сохранить", "Ctrl+S"},    {"Печать", "Ctrl+P"},
      {"Помощь", "F1"},      {"Закрыть", "Ctrl+W"}, {"Выход", "Ctrl+Q; Alt+X"}, {"Удалить строки", "Del"}};
  for (const auto& [text, keys] : shortcuts)
    EXPECT_EQ(action(w, QString::fromUtf8(text))->shortcuts(), QKeySequence::listFromString(QString::fromLatin1(keys)))
        << text;
  EXPECT_EQ(button(w, "ToolButton6")->toolTip(), QString());
  EXPECT_EQ(button(w, "ToolButton5")->toolTip(), QStringLiteral("Предварительный просмотр"));
  // A button is its menu entry's action: one handler and one enabling rule for both.
  const std::pair<const char*, const char*> buttons[] = {{"ToolButton1", "Создать"},
                                                         {"ToolButton2", "Открыть"},
                                                         {"ToolButton3", "Сохранить"},
                                                         {"ToolButton4", "Печать"},
                                                         {"ToolButton5", "Предварительный просмотр"},
                                                         {"ToolButton7", "Убрать сортировку"},
                                                         {"ToolButton6", "Помощь"}};
  for (const auto& [name, text] : buttons) {
    ASSERT_NE(button(w, name), nullptr) << name;
    EXPECT_EQ(button(w, name)->defaultAction(), action(w, QString::fromUtf8(text))) << name;
  }
  QStringList popup;
  for (auto* a : w.PopupMenu1->actions()) popup << (a->isSeparator() ? QStringLiteral("—") : a->iconText());
  EXPECT_EQ(popup, (QStringList{"Печать", "—", "Задать цвет", "Убрать цвет", "Убрать все цвета", "Выровнять столбцы",
                                "—", "Экспорт", "—", "Удалить"}));
}

TEST_F(Pages, AboutWindowShowsTheVersionOfTheProgramFile) {
  auto& w = start();
  QString shown;
  QTimer::singleShot(0, [&] {
    shown = w.Form3->StaticText3->text();
    w.Form3->accept();
  });
  w.N18Click();
  EXPECT_EQ(shown, QStringLiteral("Версия " KALORA_FILE_VERSION));
  EXPECT_EQ(w.Form3->windowTitle(), QStringLiteral("О программе"));

  app::TForm3 other(nullptr, QStringLiteral(KALORA_CLI));
  other.show();
  EXPECT_EQ(other.StaticText3->text(), QStringLiteral("Версия 0.0.0.0"));
}

TEST_F(Pages, HelpOpensContentsAndIndex) {
  auto& w = start();
  w.N17Click();  // the default path does not exist here
  ASSERT_NE(w.help_window, nullptr);
  EXPECT_TRUE(w.help_window->isVisible());
  EXPECT_EQ(w.help_window->contents()->count(), 0);

  ASSERT_TRUE(w.help_window->load(QStringLiteral(KALORA_SOURCE_DIR "/resources/kalora.hlp")));
  EXPECT_GE(w.help_window->contents()->count(), 10);
  auto* index = w.help_window->index();
  ASSERT_GT(index->count(), 20);
  QCollator alphabet(QLocale(QLocale::Russian));
  alphabet.setCaseSensitivity(Qt::CaseInsensitive);
  for (int i = 1; i < index->count(); ++i)
    EXPECT_LE(alphabet.compare(index->item(i - 1)->text(), index->item(i)->text()), 0) << i;
  w.help_window->index_filter()->setText(QStringLiteral("сохр"));
  int shown = 0;
  for (int i = 0; i < index->count(); ++i) shown += index->item(i)->isHidden() ? 0 : 1;
  EXPECT_GE(shown, 1);
  EXPECT_LT(shown, index->count());
  w.help_window->show_topic(3);
  EXPECT_TRUE(w.help_window->page()->toPlainText().contains(w.help_window->contents()->item(3)->text()));
}

}  // namespace
}  // namespace kalora::test

namespace kalora::test {
namespace {

using HeatFlowPages = WindowTest;

void make_flow_table(State& state, const std::string& path, std::initializer_list<int> kinds) {
  state.Dbf3.set_file_name(path);
  state.Dbf3.create();
  state.Dbf3.open();
  int n = 1;
  for (const int kind : kinds) {
    state.Dbf3.append();
    state.Dbf3.set_number("N", n++);
    state.Dbf3.set_number("MEASUR", kind);
    state.Dbf3.post();
  }
}

TEST_F(HeatFlowPages, KindsOfMeasurementChooseTheInnerPages) {
  struct Case {
    std::initializer_list<int> kinds;
    QStringList inner_tabs;
    int active_grid;
    int rows_shown;
  };
  const Case cases[] = {
      {{2, 2, 2}, {"Тепловой поток"}, 3, 3},
      {{2, 0, 1, 2, 0}, {"Тепловой поток", "Rк", "Ro"}, 5, 2},
      {{1, 2}, {"Тепловой поток", "Rк"}, 4, 1},
      {{}, {}, 0, 0},
  };
  auto& w = start();
  int previews = 0;  // the preview prints the page shown, and only a page shown
  w.report_commands->run_dialog = [&](QDialog&) { return ++previews, QDialog::Rejected; };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.inner_tabs.join(",").toStdString());
    make_flow_table(w.state(), dir.file("wall.db3"), c.kinds);
    w.state().potok_present = 1;
    w.state().channel_mask = 7;
    w.state().db_open = true;
    w.set_visible();
    previews = 0;
    w.ToolButton5Click();
    EXPECT_EQ(previews, c.active_grid > 0 ? 1 : 0);
    EXPECT_EQ(visible_tabs(w.PageControl1), QStringList{"Поток"});
    EXPECT_EQ(visible_tabs(w.PageControl2), c.inner_tabs);
    EXPECT_EQ(w.active_grid(), c.active_grid);
    if (c.active_grid > 0) {
      EXPECT_EQ(w.grid(c.active_grid)->grid_model()->record_count(), static_cast<std::size_t>(c.rows_shown));
    }
    w.state().Dbf3.close();
    w.show_empty_state();
  }
}

TEST_F(HeatFlowPages, EachInnerPageListsItsKindAndLayoutsAreStoredAtClose) {
  auto& w = start();
  make_flow_table(w.state(), dir.file("wall.db3"), {2, 0, 1, 2, 0, 2});
  w.state().potok_present = 1;
  w.state().channel_mask = 5;
  w.state().db_open = true;
  w.set_visible();
  w.load_layout_all();
  w.en_but();
  const std::pair<int, int> pages[] = {{0, 3}, {1, 1}, {2, 2}};  // inner page, rows
  for (const auto& [page, rows] : pages) {
    w.PageControl2->setCurrentIndex(page);
    EXPECT_EQ(w.active_grid(), page + 3);
    EXPECT_EQ(w.grid(page + 3)->grid_model()->record_count(), static_cast<std::size_t>(rows)) << page;
    EXPECT_EQ(w.state().Dbf3.filter(), "MEASUR=" + std::to_string(2 - page));
  }
  w.close();
  QSettings stored(settings_file(), QSettings::IniFormat);
  EXPECT_FALSE(stored.contains("Table_1"));
  EXPECT_FALSE(stored.contains("Table_2"));
  for (const char* name : {"Table_3", "Table_4", "Table_5"}) {
    EXPECT_TRUE(stored.contains(name)) << name;
    EXPECT_TRUE(stored.value(name).toString().contains("FieldName=COMMENT_2;Width=")) << name;
  }
}

}  // namespace
}  // namespace kalora::test

namespace kalora::test {
namespace {

using GridFont = WindowTest;

TEST_F(GridFont, GridsDrawInThePrivateFont) {
  auto& w = start();
  for (int g = 1; g <= 5; ++g) {
    EXPECT_EQ(QFontInfo(w.grid(g)->font()).family(), app::private_font_family) << g;
    EXPECT_EQ(QFontInfo(w.grid(g)->horizontalHeader()->font()).family(), app::private_font_family) << g;
  }
}

}  // namespace
}  // namespace kalora::test
