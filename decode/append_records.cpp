#include "decode/append_records.h"

#include <algorithm>
#include <string>

#include "decode/fields.h"

namespace kalora {

namespace {

// The tab control comes back even when a table write fails halfway.
class PagesHidden {
 public:
  explicit PagesHidden(Frontend& frontend) : frontend_(frontend) { frontend_.hide_pages(); }
  ~PagesHidden() { frontend_.show_pages(); }
  PagesHidden(const PagesHidden&) = delete;
  PagesHidden& operator=(const PagesHidden&) = delete;

 private:
  Frontend& frontend_;
};

std::string timestamp(const db::DbfTable& table) { return table.text("DATE") + table.text("TIME"); }

// The stored row later records must follow: the last one whose date and time the
// instrument can have written. A row dated from erased memory (year 2255) or otherwise
// impossible stays in the table but decides nothing.
std::string reference_timestamp(db::DbfTable& table) {
  table.last();
  for (std::size_t left = table.record_count(); left > 0; --left, table.prior()) {
    if (std::string stamp = timestamp(table); possible_timestamp(stamp)) return stamp;
  }
  return std::string(earliest_timestamp);
}

void report_damage(Frontend& frontend, std::size_t skipped, std::size_t overflowed) {
  if (skipped > 0) {
    frontend.show_error("Ошибочные данные в памяти прибора: пропущено записей: " + std::to_string(skipped));
  }
  if (overflowed > 0) {
    frontend.show_error("Значения, которые не помещаются в поле таблицы, не записаны: " + std::to_string(overflowed));
  }
}

}  // namespace

std::uint32_t append_records(State& state, Frontend& frontend, db::DbfTable& table, const RecordReader& reader,
                             std::uint8_t mode) {
  if (!table.is_open()) return 0;
  const bool append_mode = mode != 0;
  table.last();
  std::string reference(earliest_timestamp);
  const std::uint32_t old_count = table.physical_count();
  std::optional<PagesHidden> hidden;
  if (append_mode) {
    reference = reference_timestamp(table);
    hidden.emplace(frontend);
  }

  const Bytes image(state.flash);
  const std::size_t count = std::min(reader.claimed, reader.room);
  std::size_t skipped = reader.claimed - count;
  std::size_t overflowed = 0;
  std::uint32_t appended = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const std::optional<std::size_t> at = reader.offset(k);
    if (!at) {
      ++skipped;
      continue;
    }
    table.append();
    table.set_number("N", static_cast<double>(k + 1));
    overflowed += reader.fill(image, *at, table);
    table.post();
    ++appended;
  }
  if (!append_mode) {
    report_damage(frontend, skipped, overflowed);
    return appended;
  }

  // Every new row is compared with the row that was last before this run.
  std::uint32_t deleted = 0;
  for (std::uint32_t r = old_count + 1; r <= old_count + appended; ++r) {
    if (!table.go_to(r) || later_than(reference, timestamp(table))) continue;
    table.delete_record();
    ++deleted;
  }
  table.pack();
  table.close();
  table.open();
  hidden.reset();
  report_damage(frontend, skipped, overflowed);
  frontend.show_information(std::string(reader.message) + std::to_string(appended - deleted));
  return appended - deleted;
}

}  // namespace kalora
