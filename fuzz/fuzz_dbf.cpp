// A table file of arbitrary bytes opened as each of the three tables, then walked,
// read field by field, sorted, filtered, edited, thinned out and packed.
#include "fuzz/fuzz_support.h"

#include <memory>

#include "db/schemas.h"
#include "decode/flash2table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kalora;
  const fuzz::Input input(data, size);
  const std::uint8_t choice = size > 0 ? data[size / 2] : 0;
  const std::string path = fuzz::work_file("table.dbf");

  const auto owned = std::make_unique<State>();
  State& state = *owned;
  state.calc_enabled = 1;
  bind_calc_fields(state);
  for (int n = 1; n <= 3; ++n) {
    db::DbfTable& table = fuzz::table_of(state, n);
    fuzz::write_file(path, input);
    table.set_file_name(path);
    try {
      table.open();
    } catch (const db::DbfError&) {
      continue;  // not a table of this schema: refused, as it should be
    }
    fuzz::read_rows(table);
    fuzz::sort_and_filter(table, choice);

    // A note typed into the first row, a new row, every other row deleted, a pack.
    table.first();
    if (!table.eof()) {
      table.set_text(table.schema().fields.back().name, "примечание");
      table.post();
    }
    table.append();
    table.set_number("N", choice);
    table.post();
    bool drop = true;
    for (table.first(); !table.eof();) {
      if (drop) {
        table.delete_record();
      } else {
        table.next();
      }
      drop = !drop;
    }
    table.pack();
    fuzz::read_rows(table);
    table.close();
    // What the engine wrote must open again.
    table.open();
    fuzz::read_rows(table);
    table.close();
  }
  return 0;
}
