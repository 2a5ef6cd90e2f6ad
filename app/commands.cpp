// The handlers of the menu, toolbar and context-menu commands.
#include <QTabWidget>

#include "app/about.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "views/db_grid.h"
#include "views/grid_layout.h"

namespace kalora::app {

void TForm1::N8Click() {}
void TForm1::N3Click() {}
void TForm1::N4Click() {}
void TForm1::N12Click() {}
void TForm1::N5Click() { close_database(); }
void TForm1::bin1Click() {}
void TForm1::N9Click() {}

void TForm1::ToolButton5Click() { report_commands->ToolButton5Click(shown_view()); }
void TForm1::ToolButton4Click() { report_commands->ToolButton4Click(shown_view()); }
void TForm1::Excel1Click() { report_commands->Excel1Click(shown_view()); }

void TForm1::N6Click() { close(); }

void TForm1::N33Click() {
  if (!state_.db_open) return;
  if (const int g = active_grid(); g > 0 && table_open(views::grid_table(g))) views::fit_columns(*grid(g));
}

void TForm1::Pflfnmwdtn1Click() {}
void TForm1::N19Click() {}
void TForm1::N22Click() {}
void TForm1::ToolButton7Click() {}

void TForm1::N17Click() {
  if (!help_window) help_window = new HelpWindow(this);
  help_window->load(help_file_);
  help_window->show();
  help_window->raise();
  help_window->activateWindow();
}

void TForm1::N18Click() { Form3->exec(); }

}  // namespace kalora::app
