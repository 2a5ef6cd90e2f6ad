// Sorting by a click on a column title: the marks of a grid's columns and what
// each mark does to the table's record order.
#pragma once

#include <string_view>
#include <vector>

#include "db/dbf_table.h"

namespace kalora::views {

enum class TitleState { tsSortedNone = 0, tsSortedUp = 1, tsSortedDown = 2 };

struct SortMark {
  TitleState state = TitleState::tsSortedNone;
  int order = -1;  // SortOrder: the rank in which the column was marked, -1 when unmarked
  bool operator==(const SortMark&) const = default;
};

// The marks of one grid's columns; one column at a time carries a mark.
class SortMarks {
 public:
  explicit SortMarks(std::size_t columns = 0) : marks_(columns) {}

  // A click on the title of `column`: a plain click moves None → Up → Down → Up and
  // clears the other columns, a click with Ctrl returns the column to None.
  void click(std::size_t column, bool ctrl);
  void clear();
  // A mark restored from a stored layout; the running number stays ahead of it.
  void set(std::size_t column, SortMark mark);

  const SortMark& operator[](std::size_t column) const { return marks_[column]; }
  std::size_t size() const { return marks_.size(); }

 private:
  void set_state(std::size_t column, TitleState state);

  std::vector<SortMark> marks_;
  int next_order_ = 0;
};

// The sort index of the table a grid shows: "db1", "db2", "db3" (all heat-flow grids).
std::string_view sort_index_name(int grid);

// The stored field a column sorts by: display texts sort by the codes behind them.
std::string_view sort_field(std::string_view column_field);

// The grid's reaction to a changed mark (DBGridPro1..3TitleStateChange): the table
// is ordered by the column's field under the named index, descending on Up; "DATE"
// and "TIME" order by the date and the time together.
void title_state_change(db::DbfTable& table, std::string_view index_name, std::string_view column_field,
                        TitleState state);

}  // namespace kalora::views
