#include "views/sort_marks.h"

#include <string>

namespace kalora::views {

void SortMarks::set_state(std::size_t column, TitleState state) {
  SortMark& mark = marks_[column];
  if (state == TitleState::tsSortedNone) {
    mark = {};
    return;
  }
  if (mark.state == TitleState::tsSortedNone) mark.order = next_order_++;
  mark.state = state;
}

void SortMarks::click(std::size_t column, bool ctrl) {
  if (column >= marks_.size()) return;
  if (ctrl) return set_state(column, TitleState::tsSortedNone);
  const TitleState next =
      marks_[column].state == TitleState::tsSortedUp ? TitleState::tsSortedDown : TitleState::tsSortedUp;
  for (std::size_t c = 0; c < marks_.size(); ++c)
    if (c != column) set_state(c, TitleState::tsSortedNone);
  set_state(column, next);
}

void SortMarks::clear() {
  for (auto& mark : marks_) mark = {};
}

void SortMarks::set(std::size_t column, SortMark mark) {
  if (column >= marks_.size()) return;
  if (mark.state == TitleState::tsSortedNone) mark.order = -1;
  marks_[column] = mark;
  if (mark.order >= next_order_) next_order_ = mark.order + 1;
}

std::string_view sort_index_name(int grid) {
  switch (grid) {
    case 1:
      return "db1";
    case 2:
      return "db2";
    default:
      return "db3";
  }
}

std::string_view sort_field(std::string_view column_field) {
  if (column_field.size() > 1 && column_field.back() == '_' &&
      (column_field == "MODE_" || column_field.starts_with("TYPE_")))
    return column_field.substr(0, column_field.size() - 1);
  return column_field;
}

void title_state_change(db::DbfTable& table, std::string_view index_name, std::string_view column_field,
                        TitleState state) {
  if (!table.is_open()) return;
  table.set_index("");
  table.drop_index(index_name);  // there is none before the first click
  table.refresh();
  const bool descending = state == TitleState::tsSortedUp;
  // "Дата" and "Время" both order by the instant: the date as a day, then the time.
  if (column_field == "DATE" || column_field == "TIME")
    table.add_date_time_index(std::string(index_name), "DATE", "TIME", descending);
  else
    table.add_index(std::string(index_name), sort_field(column_field), descending);
  table.set_index(index_name);
  table.refresh();
}

}  // namespace kalora::views
