// The main window's view of the three measurement tables.
#include "app/main_window.h"
#include "db/container.h"
#include "db/tables.h"
#include "views/db_grid.h"
#include "views/potok_filter.h"
#include "views/sort_marks.h"

namespace kalora::app {

bool TForm1::table_open(int table) const { return kalora::table(const_cast<State&>(state_), table).is_open(); }

bool TForm1::has_measur(int measur) const {
  db::DbfTable& table = const_cast<State&>(state_).Dbf3;
  if (!table.is_open()) return false;
  // Closing and opening a database switch the filter off; searching all records must not depend on that.
  table.set_filtered(false);
  table.first();
  return table.locate("MEASUR", measur);
}

void TForm1::bind_grids() {
  using Handler = void (TForm1::*)(views::DBGridPro*, int);
  constexpr Handler handlers[] = {&TForm1::DBGridPro1TitleStateChange, &TForm1::DBGridPro2TitleStateChange,
                                  &TForm1::DBGridPro3TitleStateChange};
  for (int g = 1; g <= views::grid_count; ++g) {
    grid(g)->grid_model()->bind(state_);
    grid(g)->grid_model()->write_failed = [this](const std::string& message) { frontend().show_error(message); };
    connect(grid(g), &views::DBGridPro::title_state_changed, this,
            [this, h = handlers[static_cast<std::size_t>(page_of_grid(g).table - 1)]](
                views::DBGridPro* shown, int column) { user_command([&] { (this->*h)(shown, column); }); });
    // A grid fitted before its page was shown and laid out stores the widths it got then.
    connect(grid(g), &views::DBGridPro::columns_fitted, this, [this, g](views::DBGridPro* fitted) {
      guarded([&] {
        if (layout_applies(g)) save_layout(table_layout_value(g), *fitted);
      });
    });
  }
}

void TForm1::DBGridPro1TitleStateChange(views::DBGridPro* g, int column) { sort_by_title(g, column); }
void TForm1::DBGridPro2TitleStateChange(views::DBGridPro* g, int column) { sort_by_title(g, column); }
void TForm1::DBGridPro3TitleStateChange(views::DBGridPro* g, int column) { sort_by_title(g, column); }

void TForm1::sort_by_title(views::DBGridPro* g, int column) {
  const int t = page_of_grid(g->grid()).table;
  if (!table_open(t)) return;
  const auto c = static_cast<std::size_t>(column);
  const std::string_view field = g->grid_model()->columns()[c].field;
  const views::SortMark mark = g->grid_model()->marks()[c];
  views::title_state_change(kalora::table(state_, t), views::sort_index_name(g->grid()), field, mark.state);
  // The other heat-flow grids list the same new order: their titles say so too.
  for (int other = 1; other <= views::grid_count; ++other)
    if (other != g->grid() && page_of_grid(other).table == t) grid(other)->show_sort_mark(field, mark);
  refresh_grids_of(t);
}

// The heat-flow grids share their table: a new order shows in all three.
void TForm1::refresh_grids_of(int t) {
  for (int g = 1; g <= views::grid_count; ++g)
    if (page_of_grid(g).table == t) grid(g)->grid_model()->refresh();
}

void TForm1::dbf_refr() {
  for (int n = 1; n <= 3; ++n) kalora::table(state_, n).refresh();
  for (auto* g : grids_) g->grid_model()->refresh();
}

bool TForm1::close_database() { return Close_DB(state_, frontend()); }

void TForm1::show_kind(std::uint8_t measur) {
  views::potok_filter(state_, measur);
  for (const Page& p : pages)
    if (p.measur >= 0) grid(p.grid)->grid_model()->refresh();
}

}  // namespace kalora::app
