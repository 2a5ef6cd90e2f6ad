#include "views/potok_filter.h"

#include <string>

namespace kalora::views {

void potok_filter(State& state, std::uint8_t n) {
  db::DbfTable& table = state.Dbf3;
  if (!table.is_open()) return;
  table.set_filtered(false);
  table.set_filter("MEASUR=" + std::to_string(n));
  table.set_filtered(true);
  table.refresh();
}

}  // namespace kalora::views
