// What a report reads from a table view: its records in the view's current order
// and under its filter, each field by name. The table engine provides one per view.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kalora::reports {

// Empty: a field with no value (a blank number or a field the record lacks).
using FieldValue = std::variant<std::monostate, double, std::string>;

class RecordSource {
 public:
  virtual ~RecordSource() = default;
  virtual std::size_t count() const = 0;
  // `record` counts from 0 in the view's order and is below count().
  virtual FieldValue value(std::size_t record, std::string_view field) const = 0;
};

// Records held in memory, for building a report from values at hand.
class MemoryRecordSource : public RecordSource {
 public:
  using Record = std::map<std::string, FieldValue, std::less<>>;

  void add(Record record) { records_.push_back(std::move(record)); }
  std::size_t count() const override { return records_.size(); }
  FieldValue value(std::size_t record, std::string_view field) const override {
    const auto& fields = records_.at(record);
    const auto it = fields.find(field);
    return it == fields.end() ? FieldValue{} : it->second;
  }

 private:
  std::vector<Record> records_;
};

}  // namespace kalora::reports
