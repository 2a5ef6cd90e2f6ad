// The handlers of the menu, toolbar and context-menu commands: each hands over to
// the core's command and then brings the grids up to date.
#include <QItemSelectionModel>
#include <QTabWidget>
#include <algorithm>
#include <vector>

#include "app/about.h"
#include "app/help_window.h"
#include "app/port_dialog.h"
#include "app/main_window.h"
#include "db/commands.h"
#include "db/tables.h"
#include "device/receive.h"
#include "views/db_grid.h"
#include "views/grid_layout.h"

namespace kalora::app {

ModalResult TForm1::download(KindCheck kind_check) {
  Form2->setPortSearch(read_port_choice(*settings_key), port_lister());
  Form2->setKindCheck(std::move(kind_check));
  Form2->exec();
  Form2->setKindCheck({});
  return Form2->modalResult();
}

void TForm1::N8Click() {
  command_create(state_, frontend(), [this] { return download(); });
  dbf_refr();
}

void TForm1::N3Click() {
  command_open(state_, frontend());
  dbf_refr();
}

void TForm1::N4Click() {
  command_append(state_, frontend(), [this] {
    return download([this](std::uint8_t subtype) { return std::string(append_refusal(state_, subtype)); });
  });
  dbf_refr();
}

void TForm1::N12Click() {
  command_save(state_, frontend());
  dbf_refr();  // the save packed away the deleted records
}

void TForm1::Port1Click() {
  PortDialog dialog(port_lister(), read_port_choice(*settings_key), this);
  if (dialog.exec() == QDialog::Accepted) write_port_choice(*settings_key, dialog.choice());
}

void TForm1::N5Click() { command_close(state_, frontend()); }

void TForm1::bin1Click() {
  command_load_bin(state_, frontend());
  dbf_refr();
}

void TForm1::N9Click() {
  const int g = active_grid();
  if (g == 0) return;
  views::DBGridPro* shown = grid(g);
  // A heat-flow record takes several lines; each selected record counts once.
  std::vector<std::uint32_t> selected = shown->selected_records();
  if (selected.empty() || !frontend().ask_yes_no_default_no(delete_question(selected.size()))) return;
  std::sort(selected.begin(), selected.end());
  delete_rows(state_, frontend(), table(state_, page_of_grid(g).table), selected);
  shown->clearSelection();
  dbf_refr();
}

void TForm1::Undo1Click() {
  if (undo_last_edit(state_, frontend()) != 0) dbf_refr();
}

// The report of the page being shown; nothing when no page is.
void TForm1::ToolButton5Click() {
  if (const Page* p = shown_page()) report_commands->ToolButton5Click(p->view);
}
void TForm1::ToolButton4Click() {
  if (const Page* p = shown_page()) report_commands->ToolButton4Click(p->view);
}
void TForm1::Excel1Click() {
  if (const Page* p = shown_page()) report_commands->Excel1Click(p->view);
}

void TForm1::N6Click() { close(); }

void TForm1::N33Click() {
  if (!state_.db_open) return;
  if (const int g = active_grid(); g > 0 && table_open(page_of_grid(g).table)) views::fit_columns(*grid(g));
}

namespace {

// The grid the colour commands act on; null when its table is not open.
views::DBGridPro* coloured_grid(TForm1& w) {
  const int g = w.active_grid();
  return g > 0 && table(w.state(), page_of_grid(g).table).is_open() ? w.grid(g) : nullptr;
}

}  // namespace

void TForm1::Pflfnmwdtn1Click() {
  views::DBGridPro* shown = coloured_grid(*this);
  if (!shown) return;
  const auto chosen = ColorDialog1 ? ColorDialog1(last_color_) : std::nullopt;
  if (!chosen) return;
  last_color_ = *chosen;
  views::set_current_color(*shown, views::layout_color(*chosen));
}

void TForm1::N19Click() {
  if (views::DBGridPro* shown = coloured_grid(*this)) views::set_current_color(*shown, views::no_color);
}

void TForm1::N22Click() {
  if (views::DBGridPro* shown = coloured_grid(*this)) views::clear_colors(*shown);
}

void TForm1::ToolButton7Click() {
  if (!state_.db_open) return;
  const int g = active_grid();
  if (g == 0) return;
  const int t = page_of_grid(g).table;
  reset_sort(frontend(), g, table(state_, t), views::sort_index_name(g));
  dbf_refr();
}

void TForm1::N17Click() {
  if (!help_window) help_window = new HelpWindow(this);
  help_window->load(help_file_);
  help_window->show();
  help_window->raise();
  help_window->activateWindow();
}

void TForm1::N18Click() { Form3->exec(); }

}  // namespace kalora::app
