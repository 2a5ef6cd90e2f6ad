#include "db/edit_history.h"

#include "core/frontend.h"
#include "core/state.h"
#include "db/locked_file.h"
#include "db/tables.h"

namespace kalora {

namespace {

// The text a field held before, put back also where the page's filter hides the record.
void restore_text(db::DbfTable& t, const EditStep& step) {
  const bool filtered = t.filtered();
  const std::uint32_t current = t.recno();
  t.set_filtered(false);
  try {
    if (t.go_to(step.record)) {
      t.set_text(step.field, step.old_text);
      t.post();
    }
  } catch (...) {
    t.cancel();
    t.set_filtered(filtered);
    throw;
  }
  t.set_filtered(filtered);
  if (current != 0) t.go_to(current);
}

}  // namespace

int undo_last_edit(State& state, Frontend& frontend) {
  if (!state.db_open || state.edits.empty()) return 0;
  const EditStep step = state.edits.take_last();
  db::DbfTable& t = table(state, step.table);
  if (!t.is_open()) return 0;
  try {
    for (const std::uint32_t r : step.deleted) t.recall(r);
    if (step.deleted.empty()) restore_text(t, step);
  } catch (const db::DbfError& e) {
    frontend.show_error(e.what());
  }
  state.tables_modified = true;
  return step.table;
}

}  // namespace kalora
