#include "reports/table_record_source.h"

#include <algorithm>

namespace kalora::reports {

TableRecordSource::TableRecordSource(db::DbfTable& table) : table_(&table), saved_recno_(table.recno()) {
  table_->first();
}

TableRecordSource::~TableRecordSource() {
  if (saved_recno_ == 0 || !table_->go_to(saved_recno_)) table_->first();
}

void TableRecordSource::move_to(std::size_t record) const {
  if (record < position_) {
    table_->first();
    position_ = 0;
  }
  for (; position_ < record; ++position_) table_->next();
}

FieldValue TableRecordSource::value(std::size_t record, std::string_view field) const {
  move_to(record);
  const auto fields = table_->schema().fields;
  const auto def = std::find_if(fields.begin(), fields.end(), [&](const db::FieldDef& f) { return f.name == field; });
  if (def == fields.end()) return {};
  if (def->type == 'N' && !def->calculated) {
    const auto number = table_->number(field);
    return number ? FieldValue{*number} : FieldValue{};
  }
  return table_->text(field);
}

}  // namespace kalora::reports
