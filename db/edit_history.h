// The changes of the open database since it was last saved, newest last, so that
// "Отменить" can take them back one by one: deletions of records and comment edits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kalora {

struct State;
class Frontend;

struct EditStep {
  int table = 0;                       // 1..3
  std::vector<std::uint32_t> deleted;  // records marked deleted (physical numbers); empty for an edit
  std::uint32_t record = 0;            // the record edited
  std::string field;                   // and its field
  std::string old_text;                // what the field held before (UTF-8)
};

class EditHistory {
 public:
  void deleted(int table, std::vector<std::uint32_t> records) {
    if (!records.empty()) steps_.push_back({table, std::move(records), 0, {}, {}});
  }
  void edited(int table, std::uint32_t record, std::string field, std::string old_text) {
    steps_.push_back({table, {}, record, std::move(field), std::move(old_text)});
  }
  bool empty() const { return steps_.empty(); }
  // Saving, closing or packing a table ends what can be taken back.
  void clear() { steps_.clear(); }
  // The last step, removed from the history; the history must not be empty.
  EditStep take_last() {
    EditStep step = std::move(steps_.back());
    steps_.pop_back();
    return step;
  }

 private:
  std::vector<EditStep> steps_;
};

// "Отменить": the last change since the save taken back in its table. The table
// to show it in (1..3), 0 when there was nothing to take back.
int undo_last_edit(State& state, Frontend& frontend);

}  // namespace kalora
