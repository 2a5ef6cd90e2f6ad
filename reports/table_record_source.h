// A table's rows as a report's records: the rows the table shows, in the order of
// its active index and under its filter, exactly as the view over it shows them.
#pragma once

#include <cstdint>

#include "db/dbf_table.h"
#include "reports/record_source.h"

namespace kalora::reports {

// Walks the table's rows with its own navigation, so reading record after record
// costs one step each. The table's current row is restored when the source goes.
class TableRecordSource : public RecordSource {
 public:
  explicit TableRecordSource(db::DbfTable& table);
  ~TableRecordSource() override;
  TableRecordSource(const TableRecordSource&) = delete;
  TableRecordSource& operator=(const TableRecordSource&) = delete;

  std::size_t count() const override { return table_->record_count(); }
  FieldValue value(std::size_t record, std::string_view field) const override;

 private:
  void move_to(std::size_t record) const;

  db::DbfTable* table_;
  std::uint32_t saved_recno_;
  mutable std::size_t position_ = 0;
};

}  // namespace kalora::reports
