// One measurement table: a dBase IV file (level 4, no memo) opened for exclusive
// use. Every posted record, deletion mark and count is written to the file at
// once, so a crash of the program never loses a posted row.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/locked_file.h"
#include "db/schemas.h"

namespace kalora::db {

class DbfTable;

// Receives the calculated fields of one record from the table's callback.
class CalcFieldSink {
 public:
  explicit CalcFieldSink(std::string_view wanted) : wanted_(wanted) {}
  void set(std::string_view field, std::string_view utf8) {
    if (field == wanted_) value_ = utf8;
  }
  const std::string& value() const { return value_; }

 private:
  std::string_view wanted_;
  std::string value_;
};

class DbfTable {
 public:
  // Fills the calculated fields of the table's current record.
  using CalcFields = std::function<void(const DbfTable&, CalcFieldSink&)>;

  explicit DbfTable(const Schema& schema);
  DbfTable(DbfTable&&) = default;
  DbfTable& operator=(DbfTable&&) = default;

  const Schema& schema() const { return *schema_; }

  // The working copy. May change only while the table is closed; a new name
  // forgets the sort indexes of the old file.
  void set_file_name(std::string path);
  const std::string& file_name() const { return path_; }

  // An empty table file from the schema, replacing any file of that name. The table
  // stays closed. Throws DbfError.
  void create();
  // Throws DbfError when the file is missing, held by someone else, or not a table
  // of this schema.
  void open();
  // The table opened on a stored table file's bytes, kept in memory: nothing on the
  // disk is read or written, and changes end with the close. Throws DbfError when
  // the bytes are not a table of this schema.
  void open_in_memory(std::vector<std::uint8_t> bytes);
  bool is_in_memory() const { return file_.is_in_memory(); }
  // Posts a pending row and closes. When the post fails the table is closed all the
  // same, without that row, and the DbfError goes on.
  void close();
  // For clean-ups after a failure: a pending row is dropped, nothing is written.
  void close_quietly() noexcept;
  bool is_open() const { return file_.is_open(); }
  // What was written forced to the disk through the table's own handle (the only one
  // Windows allows while the table is open); false when it failed. No fault hook.
  bool sync_quietly() noexcept { return file_.sync_quietly(); }

  // Navigation over the rows shown: not deleted, passing the filter, in the order
  // of the active index (or natural order).
  void first();
  void last();
  void next();
  void prior();
  bool eof() const;
  // Physical record number (1-based) of the current row; 0 when there is none.
  std::uint32_t recno() const;
  // Makes that record current; false when it is not among the rows shown.
  bool go_to(std::uint32_t recno);
  std::size_t record_count() const { return order_.size(); }
  // Records in the file, deleted ones included.
  std::uint32_t physical_count() const { return count_; }

  // First row (in the current order) whose field equals the value.
  bool locate(std::string_view field, double value);

  // A new blank record; set fields, then post. Posting writes it at the file's end.
  void append();
  // Posts a pending append or edit; nothing when there is none.
  void post();
  void cancel();
  // Sets a numeric field (nullopt: empty). A value whose text does not fit the
  // field leaves the field empty and returns false. Starts an edit of the current
  // row when no append or edit is pending.
  bool set_number(std::string_view field, std::optional<double> value);
  // Text (UTF-8) stored in Windows-1251, cut to the field's width.
  void set_text(std::string_view field, std::string_view utf8);

  // Empty numeric fields (all blanks, or not a number) read back as nullopt.
  std::optional<double> number(std::string_view field) const;
  // Any field as text: stored text without its padding (UTF-8), or the value of a
  // calculated field.
  std::string text(std::string_view field) const;

  // Marks the current row deleted; the row that followed it becomes current.
  void delete_record();
  // Takes the deletion mark off a record (physical number); false when it bears none.
  bool recall(std::uint32_t recno);
  // Whether a record bears the deletion mark, so a pack would shorten the file.
  bool has_deleted() const;
  // Rewrites the file without the deleted records; the old file is replaced only
  // once the new one is complete.
  void pack();
  void refresh();

  // Record filter of the form FIELD=integer ("MEASUR=2").
  void set_filter(std::string expression);
  const std::string& filter() const { return filter_text_; }
  // Throws DbfError when switched on with an expression of another form.
  void set_filtered(bool on);
  bool filtered() const { return filtered_; }

  // Sort indexes over one stored field. The first one sets the table's index flag.
  void add_index(std::string name, std::string_view field, bool descending);
  // An index over a date text dd.mm.yyyy and a time text hh:mm:ss, ordered as the
  // instant they name (year, month, day, then the time).
  void add_date_time_index(std::string name, std::string_view date_field, std::string_view time_field, bool descending);
  // Makes the named index the record order; an empty name returns to natural order.
  // False when there is no such index.
  bool set_index(std::string_view name);
  // False when there is no such index (not an error for the callers).
  bool drop_index(std::string_view name);
  const std::string& active_index() const { return active_index_; }

  void set_calc_fields(CalcFields callback) { calc_fields_ = std::move(callback); }

 private:
  struct Slot {
    const FieldDef* def;
    std::size_t offset;  // in the record; unused for a calculated field
  };
  struct Index {
    std::string name;
    std::size_t field;
    bool descending;
    std::optional<std::size_t> time_field;  // set for a date-and-time index
  };
  struct Condition {
    std::size_t field;
    long value;
  };
  enum class Mode { browse, edit, insert };

  std::size_t field_index(std::string_view name) const;
  const Slot& stored_slot(std::string_view name) const;
  std::string_view field_bytes(std::size_t record, const Slot& slot) const;
  std::string_view current_field_bytes(const Slot& slot) const;
  std::uint8_t* writable_field(const Slot& slot);
  void start_edit();
  void require_open() const;
  void open_on(LockedFile file);

  std::vector<std::uint8_t> header_bytes() const;
  void write_count();
  void rebuild_order();
  void sort_order();
  bool shown(std::uint32_t record) const;
  const Index* find_index(std::string_view name) const;
  void keep_current(std::optional<std::uint32_t> record);

  const Schema* schema_;
  std::vector<Slot> slots_;
  std::size_t header_length_ = 0;
  std::size_t record_length_ = 0;

  std::string path_;
  LockedFile file_;
  std::uint32_t count_ = 0;
  std::vector<std::uint8_t> records_;  // count_ records back to back, as in the file
  bool index_flag_ = false;

  std::vector<std::uint32_t> order_;  // 0-based record numbers of the rows shown
  std::size_t pos_ = 0;               // place of the current row in order_; order_.size() past the end
  // place_[r]: where record r stands in order_, so that going to a record (as a grid
  // does for every cell it paints) takes no search.
  static constexpr std::uint32_t not_shown = 0xFFFFFFFF;
  std::vector<std::uint32_t> place_;

  Mode mode_ = Mode::browse;
  std::vector<std::uint8_t> buffer_;  // the record being appended or edited
  std::uint32_t edited_ = 0;          // 0-based record number of the row being edited

  std::string filter_text_;
  bool filtered_ = false;
  std::optional<Condition> condition_;

  std::vector<Index> indexes_;
  std::string active_index_;

  CalcFields calc_fields_;
};

}  // namespace kalora::db
