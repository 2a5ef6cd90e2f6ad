// TForm1, the main window: menus, toolbar, the tab pages with the five grids,
// start-up and shutdown, and the handler of every command.
#pragma once

#include <QColor>
#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/pages.h"
#include "app/private_font.h"
#include "app/settings.h"
#include "core/frontend.h"
#include "core/state.h"
#include "device/download.h"
#include "reports/report_commands.h"

class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;
class QToolButton;
class TForm2;

namespace kalora::views {
class DBGridPro;
}

namespace kalora::analysis {
class AnalysisWindow;
}

namespace kalora::samples {
class SamplesWindow;
}

namespace kalora::app {

class HelpWindow;
class TForm3;

// When a command of the menus and the toolbar is enabled.
enum class Needs { nothing, database, heat_flow_table, conductivity_table };

struct StartOptions {
  Frontend* dialogs = nullptr;  // message boxes and file dialogs; the real ones when null
  QString settings_file;        // the user's settings store when empty
  QString program_file;         // the file whose version the about window shows; this program when empty
  PortLister port_lister;       // the system's serial ports when empty
};

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(const StartOptions& options = {});
  ~TForm1() override;

  State& state() { return state_; }
  // What the core routines are given: dialogs plus this window's effects.
  Frontend& frontend();
  SettingsStore& settings() { return *settings_key; }
  bool start_failed() const { return start_failed_; }
  const QString& help_file() const { return help_file_; }
  const QString& application_title() const { return application_title_; }
  const PrivateFont& private_font() const { return font_; }

  // The window's state.
  void set_visible();
  void en_but();
  void show_empty_state();
  void dbf_refr();
  void set_title(const QString& title);
  void load_layout_all();
  void save_layout_all();
  void save_layout(const QString& name, const views::DBGridPro& grid);
  void load_layout(const QString& name, views::DBGridPro& grid);

  // Commands.
  void N8Click();           // Создать
  void N3Click();           // Открыть
  void N4Click();           // Дополнить
  void N12Click();          // Сохранить
  void N5Click();           // Закрыть
  void ToolButton5Click();  // Предварительный просмотр
  void ToolButton4Click();  // Печать
  void Excel1Click();       // Экспорт в Excel
  void bin1Click();         // Загрузить bin файл
  void Port1Click();        // Порт прибора…
  void N6Click();           // Выход
  void Undo1Click();        // Отменить
  void N9Click();           // Удалить строки
  void N33Click();          // Выровнять столбцы
  void Pflfnmwdtn1Click();  // Задать цвет
  void N19Click();          // Убрать цвет
  void N22Click();          // Убрать все цвета
  void ToolButton7Click();  // Убрать сортировку
  void N17Click();          // Помощь
  void N18Click();          // О программе
  void Analysis1Click();    // Анализ наблюдений
  void Samples1Click();     // Результаты по образцам

  // A column title's sort mark changed: the grid's table takes the new order.
  void DBGridPro1TitleStateChange(views::DBGridPro* grid, int column);
  void DBGridPro2TitleStateChange(views::DBGridPro* grid, int column);
  void DBGridPro3TitleStateChange(views::DBGridPro* grid, int column);  // the three heat-flow grids

  // ColorDialog1: opens on the colour chosen last; nothing when cancelled.
  std::function<std::optional<QColor>(const QColor& initial)> ColorDialog1;

  // The page being shown (a grid's page, never "Поток" itself); null when none is.
  const Page* shown_page() const;
  // Grid 1..5 of the page being shown, 0 when none is.
  int active_grid() const;
  views::DBGridPro* grid(int n) const { return grids_[static_cast<std::size_t>(n - 1)]; }

  QToolBar* ToolBar1 = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QTabWidget* PageControl2 = nullptr;
  QLabel* EmptyHint = nullptr;  // what to do first, in the empty window
  std::array<QWidget*, 6> TabSheets{};  // TabSheet1 .. TabSheet6
  QMenu* PopupMenu1 = nullptr;
  TForm2* Form2 = nullptr;
  TForm3* Form3 = nullptr;
  HelpWindow* help_window = nullptr;
  analysis::AnalysisWindow* analysis_window = nullptr;       // made on first use
  samples::SamplesWindow* samples_window = nullptr;           // made on first use
  std::unique_ptr<reports::ReportCommands> report_commands;  // print, preview, export

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class WindowFrontend;

  void run_command(void (TForm1::*handler)());
  // Every slot that reaches the tables or files runs through here: a failure is shown, never thrown out.
  void guarded(const std::function<void()>& handler);
  void commit_editors();
  // What the user asked for (a command, a shortcut, a page, a title click): a comment
  // being typed is stored first, then the handler runs guarded.
  void user_command(const std::function<void()>& handler);
  void save_window_places();
  void FormCreate();
  // False when the user took the close back at the save question.
  bool FormClose();
  void build_menus();
  void build_toolbar();
  void build_pages();
  void build_keyboard();
  void switch_page(int step);  // Ctrl+Tab: the next grid page shown, "Поток" by its inner pages
  void inner_page_shown();
  bool close_database();
  void close_analysis();   // the database has gone: its analysis window too
  void close_samples();    // and its results per sample
  // The download window, shown modally, searching where the settings say.
  ModalResult download(KindCheck kind_check = {});
  PortLister port_lister() const;
  bool table_open(int table) const;
  void sort_by_title(views::DBGridPro* grid, int column);
  void refresh_grids_of(int table);
  bool has_measur(int measur) const;  // the heat-flow table holds a record of that kind
  bool layout_applies(int grid) const;
  void bind_grids();
  void show_kind(std::uint8_t measur);  // the heat-flow grids list records of that MEASUR
  QTabWidget* control(const Page& p) const;
  bool page_visible(const Page& p) const;
  void set_page_visible(const Page& p, bool visible);
  void show_page(const Page& p);      // made current, its grid focused
  bool present(const Page& p) const;  // the image held records of the page's table
  void set_background(bool showing_data);

  State state_;
  std::unique_ptr<Frontend> own_dialogs_;
  Frontend* dialogs_;
  std::unique_ptr<WindowFrontend> frontend_;
  std::unique_ptr<SettingsStore> settings_key;
  PrivateFont font_;
  StartOptions options_;
  QString help_file_;
  QString application_title_;
  bool start_failed_ = false;
  bool closed_ = false;

  std::array<views::DBGridPro*, 5> grids_{};
  std::vector<std::pair<QAction*, Needs>> database_actions_;  // enabled only while a database is open
  std::map<std::string, QAction*> commands_;  // the main menu's actions by name; the toolbar's buttons use them
  QColor last_color_ = Qt::white;
};

// The help file used when "kalora.hlp" is not beside the program.
QString default_help_file();

}  // namespace kalora::app
