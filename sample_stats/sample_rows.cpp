#include "sample_stats/sample_rows.h"

namespace kalora::samples {

std::optional<double> SampleRow::t_mean() const {
  if (!t_up || !t_down) return std::nullopt;
  return (*t_up + *t_down) / 2;
}

std::vector<SampleRow> read_sample_rows(db::DbfTable& table, Method method, const std::set<std::uint32_t>* only) {
  std::vector<SampleRow> rows;
  const std::uint32_t saved = table.recno();
  for (table.first(); !table.eof(); table.next()) {
    const std::uint32_t recno = table.recno();
    if (only && !only->contains(recno)) continue;
    SampleRow row;
    row.recno = recno;
    row.n = table.number("N");
    row.date = table.text("DATE");
    row.time = table.text("TIME");
    row.lambda = table.number("HEAT");
    if (method == Method::stationary) {
      row.thick = table.number("THICK");
      row.t_up = table.number("T_UP");
      row.t_down = table.number("T_DOWN");
      row.r = table.number("R");
      row.q = table.number("Q");
    } else {
      row.c = table.number("SHEAT");
      row.rho = table.number("THICK");
    }
    row.comment = table.text("COMMENT");
    rows.push_back(std::move(row));
  }
  if (saved == 0 || !table.go_to(saved)) table.first();
  return rows;
}

}  // namespace kalora::samples
