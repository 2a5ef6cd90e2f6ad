// The main window's view of the three measurement tables.
#include "app/main_window.h"
#include "views/db_grid.h"

namespace kalora::app {

bool TForm1::table_open(int table) const {
  (void)table;
  return false;
}

bool TForm1::has_measur(int measur) const {
  (void)measur;
  return false;
}

void TForm1::dbf_refr() {
  for (auto* g : grids_) g->grid_model()->refresh();
}

void TForm1::close_database() {
  save_layout_all();
  state_.db_open = false;
  state_.tables_modified = false;
  show_empty_state();
  set_title(QStringLiteral("КАЛОРА-5"));
}

void TForm1::TabSheet4Show() {}
void TForm1::TabSheet5Show() {}
void TForm1::TabSheet6Show() {}

}  // namespace kalora::app
