#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "analysis/analysis_window.h"
#include "app/about.h"
#include "app/keyboard.h"
#include "app/port_dialog.h"
#include "app/qt_dialogs.h"
#include "core/texts.h"
#include "device/receive.h"
#include "device/serial_ports.h"
#include "sample_stats/samples_window.h"
#include "views/db_grid.h"
#include "views/grid_layout.h"
#include "views/window_fit.h"

namespace kalora::app {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QIcon picture(int index) { return QIcon(QStringLiteral(":/icons/tool_%1.png").arg(index)); }

using Handler = void (TForm1::*)();

// One entry of the main menu; a null text is a separator.
struct MenuEntry {
  const char* name;
  const char* text;
  const char* shortcut;
  Handler handler;
  Needs needs;
  int picture;
};

struct Menu {
  const char* text;
  std::initializer_list<MenuEntry> entries;
};

const MenuEntry separator{nullptr, nullptr, nullptr, nullptr, Needs::nothing, -1};

const Menu main_menu[] = {
    {"&Файл",
     {{"N8", "&Создать", "Ctrl+N", &TForm1::N8Click, Needs::nothing, 0},
      {"N3", "&Открыть", "Ctrl+O", &TForm1::N3Click, Needs::nothing, 1},
      {"N4", "&Дополнить", nullptr, &TForm1::N4Click, Needs::nothing, -1},
      {"N12", "Со&хранить", "Ctrl+S", &TForm1::N12Click, Needs::database, 2},
      {"N5", "&Закрыть", "Ctrl+W", &TForm1::N5Click, Needs::database, -1},
      separator,
      {"N10", "Пр&едварительный просмотр", nullptr, &TForm1::ToolButton5Click, Needs::database, 6},
      {"N11", "&Печать", "Ctrl+P", &TForm1::ToolButton4Click, Needs::database, 5},
      separator,
      {"Excel1", "&Экспорт в Excel", nullptr, &TForm1::Excel1Click, Needs::database, -1},
      {"bin1", "За&грузить bin файл", nullptr, &TForm1::bin1Click, Needs::nothing, -1},
      separator,
      {"Port1", "Порт прибора…", nullptr, &TForm1::Port1Click, Needs::nothing, -1},
      {"N6", "&Выход", "Ctrl+Q; Alt+X", &TForm1::N6Click, Needs::nothing, -1}}},
    {"&Правка",
     {{"Undo1", "&Отменить", "Ctrl+Z", &TForm1::Undo1Click, Needs::database, -1},
      {"N9", "&Удалить строки", "Del", &TForm1::N9Click, Needs::database, -1}}},
    {"&Вид",
     {{"N33", "&Выровнять столбцы", nullptr, &TForm1::N33Click, Needs::database, -1},
      separator,
      {"Pflfnmwdtn1", "&Задать цвет", nullptr, &TForm1::Pflfnmwdtn1Click, Needs::database, -1},
      {"N19", "У&брать цвет", nullptr, &TForm1::N19Click, Needs::database, -1},
      {"N22", "Убрать все &цвета", nullptr, &TForm1::N22Click, Needs::database, -1},
      separator,
      {"N23", "Убрать &сортировку", nullptr, &TForm1::ToolButton7Click, Needs::database, 3},
      separator,
      {"Analysis1", "&Анализ наблюдений", nullptr, &TForm1::Analysis1Click, Needs::heat_flow_table, 8},
      {"Samples1", "Результаты по образцам", nullptr, &TForm1::Samples1Click, Needs::conductivity_table, 9}}},
    {"&Справка",
     {{"N17", "&Помощь", "F1", &TForm1::N17Click, Needs::nothing, 4},
      separator,
      {"N18", "&О программе", nullptr, &TForm1::N18Click, Needs::nothing, -1}}},
};

// The context menu of the grids: never disabled, reachable only through a grid.
const MenuEntry popup_menu[] = {
    {"N13", "&Печать", nullptr, &TForm1::ToolButton5Click, Needs::nothing,
     -1},  // the preview, from which the user prints
    separator,
    {"N14", "&Задать цвет", nullptr, &TForm1::Pflfnmwdtn1Click, Needs::nothing, -1},
    {"N15", "У&брать цвет", nullptr, &TForm1::N19Click, Needs::nothing, -1},
    {"N16", "Убрать все &цвета", nullptr, &TForm1::N22Click, Needs::nothing, -1},
    {"N20", "&Выровнять столбцы", nullptr, &TForm1::N33Click, Needs::nothing, -1},
    separator,
    {"N21", "&Экспорт", nullptr, &TForm1::Excel1Click, Needs::nothing, -1},
    separator,
    {"N24", "&Удалить", nullptr, &TForm1::N9Click, Needs::nothing, -1},
};

// The toolbar: each button is the action of the menu entry it names.
struct ToolEntry {
  const char* name;
  const char* command;  // the menu entry's name
  bool tool_tip;        // "Помощь" has none
};

const ToolEntry toolbar[] = {
    {"ToolButton1", "N8", true},        {"ToolButton2", "N3", true},   {"ToolButton3", "N12", true},
    {"ToolButton4", "N11", true},       {"ToolButton5", "N10", true},  {"ToolButton7", "N23", true},
    {"ToolButton8", "Analysis1", true}, {"ToolButton9", "Samples1", true},  {"ToolButton6", "N17", false},
};

}  // namespace

QString default_help_file() { return QStringLiteral(KALORA_HELP_DIR "/kalora.hlp"); }

// The Frontend the core routines get: dialogs from the chosen provider, window effects from the window.
class TForm1::WindowFrontend : public Frontend {
 public:
  explicit WindowFrontend(TForm1& w) : w_(w) {}
  void show_error(std::string_view text) override { w_.dialogs_->show_error(text); }
  void show_information(std::string_view text) override { w_.dialogs_->show_information(text); }
  bool ask_yes_no(std::string_view text) override { return w_.dialogs_->ask_yes_no(text); }
  bool ask_yes_no_default_no(std::string_view text) override { return w_.dialogs_->ask_yes_no_default_no(text); }
  SaveAnswer ask_save(std::string_view text) override { return w_.dialogs_->ask_save(text); }
  std::string choose_file(const FileDialogRequest& request) override { return w_.dialogs_->choose_file(request); }
  void hide_pages() override { w_.PageControl1->hide(); }
  void show_pages() override { w_.PageControl1->show(); }
  void set_visible() override { w_.set_visible(); }
  void load_layout_all() override { w_.load_layout_all(); }
  void save_layout_all() override { w_.save_layout_all(); }
  void en_but() override { w_.en_but(); }
  void show_empty_state() override { w_.show_empty_state(); }
  void set_title(std::string_view title) override { w_.set_title(qs(title)); }
  void show_tab_sheet(int number) override { w_.set_page_visible(page_of_sheet(number), true); }
  // The heat-flow grids share one order: back in natural order, none of them is marked.
  void clear_sort_marks(int grid) override {
    for (int g = 1; g <= views::grid_count; ++g)
      if (page_of_grid(g).table == page_of_grid(grid).table) w_.grid(g)->clear_sort_marks();
  }
  bool grid_page_visible(int grid) override { return w_.page_visible(page_of_grid(grid)); }

 private:
  TForm1& w_;
};

TForm1::TForm1(const StartOptions& options)
    : dialogs_(options.dialogs), frontend_(std::make_unique<WindowFrontend>(*this)), options_(options) {
  if (!dialogs_) {
    own_dialogs_ = std::make_unique<QtDialogs>(this);
    dialogs_ = own_dialogs_.get();
  }
  setObjectName(QStringLiteral("Form1"));
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  setFont(font);
  resize(800, 592);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  setWindowIcon(QIcon(QStringLiteral(":/icons/kalora.png")));
  application_title_ = qs(texts::program_title);
  help_file_ = default_help_file();
  setWindowTitle(application_title_);

  build_menus();
  build_toolbar();
  build_pages();
  bind_grids();
  build_keyboard();
  FormCreate();
  ColorDialog1 = [this](const QColor& initial) -> std::optional<QColor> {
    const QColor chosen = QColorDialog::getColor(initial, this);
    return chosen.isValid() ? std::optional(chosen) : std::nullopt;
  };
  Form2 = new TForm2(state_, *frontend_, this);
  connect(Form2, &TForm2::portAnswered, this,
          [this](const QString& port) { guarded([&] { settings_key->set_value(value_port_last, port); }); });
  // The download window shows its progress in the application title, not in this window's caption.
  Form2->setApplicationTitle([this] { return application_title_; },
                             [this](const QString& title) { application_title_ = title; });
  Form3 = new TForm3(this, options_.program_file);
  report_commands = std::make_unique<reports::ReportCommands>(state_, frontend(), this);
  report_commands->preview_place = settings_key->value(value_preview_place).value_or(QString());
#ifndef QT_NO_SESSIONMANAGER
  // The session ends: a comment being typed is stored and the save question asked where it may be.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    commit_editors();
    if (closed_ || !manager.allowsInteraction()) return;
    if (!FormClose()) manager.cancel();
    manager.release();
  });
#endif
}

TForm1::~TForm1() = default;

Frontend& TForm1::frontend() { return *frontend_; }

// A failure that escapes a command (a file that cannot be read or written) is
// shown with its message and ends that command; the program goes on.
void TForm1::run_command(void (TForm1::*handler)()) {
  user_command([this, handler] { (this->*handler)(); });
}

void TForm1::guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    frontend_->show_error(e.what());
  }
}

void TForm1::build_menus() {
  // Every menu and entry can be reached with Alt and a letter; entries added without
  // one get the first free letter of their menu.
  const auto make_action = [this](const MenuEntry& e, QWidget* owner, QString& used) {
    auto* action = new QAction(with_accelerator(QString::fromUtf8(e.text), used), owner);
    action->setObjectName(QString::fromLatin1(e.name));
    if (e.shortcut) action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(e.shortcut)));
    if (e.picture >= 0) action->setIcon(picture(e.picture));
    connect(action, &QAction::triggered, this, [this, h = e.handler] { run_command(h); });
    return action;
  };
  menuBar()->setObjectName(QStringLiteral("MainMenu1"));
  QString menus_used;
  for (const Menu& m : main_menu) {
    QMenu* menu = menuBar()->addMenu(with_accelerator(QString::fromUtf8(m.text), menus_used));
    QString used;
    for (const MenuEntry& e : m.entries) {
      if (!e.text) {
        menu->addSeparator();
        continue;
      }
      QAction* action = make_action(e, menu, used);
      menu->addAction(action);
      commands_[e.name] = action;
      if (e.needs != Needs::nothing) database_actions_.push_back({action, e.needs});
    }
  }
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  QString popup_used;
  for (const MenuEntry& e : popup_menu) {
    if (e.text)
      PopupMenu1->addAction(make_action(e, PopupMenu1, popup_used));
    else
      PopupMenu1->addSeparator();
  }
}

void TForm1::build_toolbar() {
  ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolBar1->setIconSize(QSize(16, 16));
  for (const ToolEntry& e : toolbar) {
    QAction* command = commands_.at(e.command);
    ToolBar1->addAction(command);
    auto* button = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(command));
    button->setObjectName(QString::fromLatin1(e.name));
    button->setFixedSize(25, 23);
    if (!e.tool_tip) button->setToolTip(QString());
  }
}

void TForm1::build_pages() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  PageControl1 = new QTabWidget(central);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  layout->addWidget(PageControl1);
  // What to do first, while no database is shown.
  EmptyHint = new QLabel(
      QStringLiteral("Создать — приём данных с прибора, Открыть — база данных, Загрузить bin файл — образ памяти"),
      central);
  EmptyHint->setObjectName(QStringLiteral("EmptyHint"));
  EmptyHint->setAlignment(Qt::AlignCenter);
  EmptyHint->setWordWrap(true);
  EmptyHint->setForegroundRole(QPalette::BrightText);
  layout->addWidget(EmptyHint);
  setCentralWidget(central);
  PageControl2 = new QTabWidget;
  PageControl2->setObjectName(QStringLiteral("PageControl2"));
  PageControl2->setDocumentMode(true);

  for (const Page& p : pages) {
    auto* sheet = new QWidget;
    sheet->setObjectName(QStringLiteral("TabSheet%1").arg(p.sheet));
    auto* sheet_layout = new QVBoxLayout(sheet);
    sheet_layout->setContentsMargins(2, 2, 2, 2);
    if (p.grid > 0) {
      auto* grid = new views::DBGridPro(p.grid, sheet);
      // The header too: the platform may give headers a font of their own.
      grid->setFont(QFont(private_font_family, 8));
      grid->horizontalHeader()->setFont(grid->font());
      connect(grid, &QWidget::customContextMenuRequested, this,
              [this, grid](const QPoint& at) { PopupMenu1->popup(grid->viewport()->mapToGlobal(at)); });
      grids_[static_cast<std::size_t>(p.grid - 1)] = grid;
      sheet_layout->addWidget(grid);
    } else {
      sheet_layout->addWidget(PageControl2);
    }
    control(p)->addTab(sheet, QString::fromUtf8(p.caption));
    TabSheets[static_cast<std::size_t>(p.sheet - 1)] = sheet;
  }
  for (QTabWidget* c : {PageControl1, PageControl2})
    connect(c, &QTabWidget::currentChanged, this, [this] { user_command([this] { inner_page_shown(); }); });
}

void TForm1::FormCreate() {
  setWindowState(windowState() | Qt::WindowMaximized);
  set_background(false);

  if (const QStringList folders = PrivateFont::font_folders(); !font_.install(folders)) {
    const QString message = QStringLiteral("Не удалось установить в систему шрифт\n%1 не найден в папках:\n%2")
                                .arg(private_font_file, folders.join('\n'));
    frontend_->show_error(message.toStdString());
    start_failed_ = true;  // the program ends once start-up is over
  }

  const QString beside_program = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kalora.hlp"));
  if (QFileInfo::exists(beside_program)) help_file_ = beside_program;

  settings_key = options_.settings_file.isEmpty() ? std::make_unique<SettingsStore>()
                                                  : std::make_unique<SettingsStore>(options_.settings_file);
  if (const auto stored = settings_key->value(value_default_dir)) {
    state_.default_dir = stored->toStdString();
  } else {
    // The first time the dialogs start in the user's documents (the home folder when there are none).
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QDir(documents).exists()) documents = QDir::homePath();
    state_.default_dir = QDir::toNativeSeparators(documents).toStdString();
    settings_key->set_value(value_default_dir, QString::fromStdString(state_.default_dir));
  }
  write_port_defaults(*settings_key);

  state_.tables_modified = false;
  state_.db_open = false;
  state_.data_present = 0;
  state_.calc_enabled = 0;
  for (auto* grid : grids_) grid->horizontalHeader()->setSortIndicatorShown(false);
  show_empty_state();
}

// A comment being typed is stored before any command reads the tables or ends the run.
void TForm1::commit_editors() {
  for (views::DBGridPro* g : grids_) g->commit_editor();
}

void TForm1::user_command(const std::function<void()>& handler) {
  guarded([this, &handler] {
    commit_editors();
    handler();
  });
}

// The windows' sizes and places for the next run.
void TForm1::save_window_places() {
  if (analysis_window) settings_key->set_value(value_analysis_place, views::window_place(*analysis_window));
  if (samples_window) settings_key->set_value(value_samples_place, views::window_place(*samples_window));
  if (!report_commands->preview_place.isEmpty())
    settings_key->set_value(value_preview_place, report_commands->preview_place);
}

bool TForm1::FormClose() {
  commit_editors();
  closed_ = true;
  settings_key->set_value(value_default_dir, QString::fromStdString(state_.default_dir));
  save_window_places();
  try {
    if (!close_database()) {
      closed_ = false;  // "Отмена" at the save question: the program goes on
      return false;
    }
  } catch (const std::exception& e) {
    frontend_->show_error(e.what());  // the run ends all the same
  }
  font_.remove();
  QCoreApplication::quit();
  return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (closed_ || FormClose()) {
    event->accept();
  } else {
    event->ignore();
  }
}

PortLister TForm1::port_lister() const {
  if (options_.port_lister) return options_.port_lister;
  return [] { return list_serial_ports(); };
}

void TForm1::set_background(bool showing_data) {
  QPalette palette = QApplication::palette();
  const QColor colour = palette.color(showing_data ? QPalette::Button : QPalette::Dark);
  palette.setColor(QPalette::Window, colour);
  centralWidget()->setPalette(palette);
  centralWidget()->setAutoFillBackground(true);
}

QTabWidget* TForm1::control(const Page& p) const { return p.control == Control::outer ? PageControl1 : PageControl2; }

bool TForm1::page_visible(const Page& p) const { return control(p)->isTabVisible(p.index); }

void TForm1::set_page_visible(const Page& p, bool visible) { control(p)->setTabVisible(p.index, visible); }

void TForm1::show_page(const Page& p) {
  control(p)->setCurrentIndex(p.index);
  if (p.grid > 0)
    grid(p.grid)->setFocus();
  else
    PageControl2->setFocus();
}

void TForm1::show_empty_state() {
  for (const Page& p : pages) set_page_visible(p, false);
  PageControl1->hide();
  EmptyHint->show();
  set_background(false);
  for (const auto& [action, needs] : database_actions_) action->setEnabled(false);
  close_analysis();
  close_samples();
  for (auto* grid : grids_) grid->grid_model()->refresh();
}

void TForm1::en_but() {
  for (const auto& [action, needs] : database_actions_)
    action->setEnabled(needs == Needs::database ||
                       (needs == Needs::heat_flow_table ? state_.Dbf3.is_open()
                                                        : state_.Dbf1.is_open() || state_.Dbf2.is_open()));
}

void TForm1::set_title(const QString& title) {
  application_title_ = title;
  setWindowTitle(title);
}

bool TForm1::present(const Page& p) const {
  const int flags[] = {state_.stat_present, state_.zond_present, state_.potok_present};
  return flags[p.table - 1] == 1;
}

void TForm1::set_visible() {
  // Signals would filter the heat-flow table while the pages are being chosen.
  const QSignalBlocker outer(PageControl1);
  const QSignalBlocker inner(PageControl2);
  for (const Page& p : pages) set_page_visible(p, false);
  PageControl1->hide();
  EmptyHint->hide();
  set_background(true);

  for (const Page& p : pages) {
    if (p.control != Control::outer) continue;
    set_page_visible(p, present(p));
  }
  if (present(potok_page) && table_open(potok_page.table)) {
    // The last kind found wins: "Ro" over "Rк" over "Тепловой поток".
    for (const int measur : {2, 1, 0}) {
      if (!has_measur(measur)) continue;
      set_page_visible(page_of_measur(measur), true);
      PageControl2->setCurrentIndex(page_of_measur(measur).index);
    }
  }

  for (const Page& p : pages) {
    if (p.measur < 0) continue;
    for (const auto& c : grid(p.grid)->grid_model()->columns())
      for (int channel = 1; channel <= 3; ++channel)
        if (views::is_channel_column(c.field, channel))
          grid(p.grid)->set_field_hidden(c.field, !(state_.channel_mask & (1u << (channel - 1))));
  }

  PageControl1->show();
  // "Стационарный" wins over "Зонд", "Зонд" over "Поток".
  for (auto p = pages.rbegin(); p != pages.rend(); ++p)
    if (p->control == Control::outer && present(*p)) show_page(*p);
  inner_page_shown();
  dbf_refr();
}

int TForm1::active_grid() const {
  const Page* p = shown_page();
  return p ? p->grid : 0;
}

const Page* TForm1::shown_page() const {
  if (!PageControl1->isVisibleTo(const_cast<TForm1*>(this))) return nullptr;
  const Page* outer = page_at(Control::outer, PageControl1->currentIndex());
  if (!outer || !page_visible(*outer)) return nullptr;
  if (outer->grid > 0) return outer;
  const Page* inner = page_at(Control::inner, PageControl2->currentIndex());
  return inner && page_visible(*inner) ? inner : nullptr;
}

void TForm1::inner_page_shown() {
  const Page* p = shown_page();
  if (p && p->measur >= 0) show_kind(static_cast<std::uint8_t>(p->measur));
}

void TForm1::load_layout_all() {
  for (int g = 1; g <= views::grid_count; ++g) {
    if (layout_applies(g)) load_layout(table_layout_value(g), *grid(g));
    // The tables open in their natural order: a mark kept with the layout would be a false one.
    grid(g)->clear_sort_marks();
  }
}

void TForm1::save_layout_all() {
  for (int g = 1; g <= views::grid_count; ++g)
    if (layout_applies(g)) save_layout(table_layout_value(g), *grid(g));
}

void TForm1::save_layout(const QString& name, const views::DBGridPro& g) {
  settings_key->set_value(name, views::layout_text(g));
}

// A value that is not a layout of ours changes nothing; the next closing replaces it.
void TForm1::load_layout(const QString& name, views::DBGridPro& g) {
  if (const auto text = settings_key->value(name)) {
    views::apply_layout(g, *text);
    return;
  }
  // A page not shown yet has not laid out its grid: do it now, so the share is of the real width.
  if (QLayout* page = g.parentWidget()->layout()) page->activate();
  g.fit_to_content();
  save_layout(name, g);
}

// Grids 1 and 2 while their table is open; the heat-flow grids while the table is
// open and their page is there.
bool TForm1::layout_applies(int g) const {
  if (!table_open(page_of_grid(g).table)) return false;
  const Page& p = page_of_grid(g);
  return p.control == Control::outer || page_visible(p);
}

}  // namespace kalora::app
