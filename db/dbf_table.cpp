#include "db/dbf_table.h"

#include <filesystem>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "db/cp1251.h"
#include "db/numeric_text.h"

namespace kalora::db {

namespace {

constexpr std::uint8_t version_no_memo = 0x03;
constexpr std::uint8_t language_cp1251 = 0xC9;
constexpr std::size_t index_flag_at = 28;
constexpr std::size_t count_at = 4;
constexpr std::uint8_t live_mark = ' ';
constexpr std::uint8_t deleted_mark = '*';
constexpr std::uint8_t end_of_file = 0x1A;

void put16(std::uint8_t* p, std::size_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t get32(const std::uint8_t* p) {
  return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
std::size_t get16(const std::uint8_t* p) { return p[0] | (std::size_t{p[1]} << 8); }

// Last-update date of the header: years since 1900, month, day.
void put_today(std::uint8_t* p) {
  const auto today =
      std::chrono::year_month_day(std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
  p[0] = static_cast<std::uint8_t>(static_cast<int>(today.year()) - 1900);
  p[1] = static_cast<std::uint8_t>(static_cast<unsigned>(today.month()));
  p[2] = static_cast<std::uint8_t>(static_cast<unsigned>(today.day()));
}

std::string_view trim_right(std::string_view s) {
  const auto last = s.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view{} : s.substr(0, last + 1);
}

bool same_name(const std::uint8_t* stored, std::string_view name) {
  std::size_t i = 0;
  for (; i < 11 && stored[i] != 0; ++i) {
    if (i >= name.size() || std::toupper(stored[i]) != name[i]) return false;
  }
  return i == name.size();
}

[[noreturn]] void damaged(const std::string& path) {
  throw DbfError("Таблица \"" + path + "\" повреждена или имеет другую структуру");
}

}  // namespace

DbfTable::DbfTable(const Schema& schema) : schema_(&schema) {
  std::size_t offset = 1;  // after the deletion flag
  std::size_t stored = 0;
  for (const FieldDef& def : schema.fields) {
    slots_.push_back({&def, def.calculated ? 0 : offset});
    if (!def.calculated) {
      offset += def.width;
      ++stored;
    }
  }
  record_length_ = offset;
  header_length_ = 32 + 32 * stored + 1;
}

std::size_t DbfTable::field_index(std::string_view name) const {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i].def->name == name) return i;
  }
  throw std::invalid_argument("no field " + std::string(name) + " in table " + std::string(schema_->design_name));
}

const DbfTable::Slot& DbfTable::stored_slot(std::string_view name) const {
  const Slot& slot = slots_[field_index(name)];
  if (slot.def->calculated) throw std::invalid_argument("calculated field " + std::string(name) + " is not stored");
  return slot;
}

void DbfTable::require_open() const {
  if (!is_open()) throw DbfError("Таблица \"" + path_ + "\" не открыта");
}

void DbfTable::set_file_name(std::string path) {
  if (is_open()) throw std::logic_error("the working copy of an open table cannot change");
  if (path != path_) {
    indexes_.clear();
    active_index_.clear();
  }
  path_ = std::move(path);
}

std::vector<std::uint8_t> DbfTable::header_bytes() const {
  std::vector<std::uint8_t> h(header_length_, 0);
  h[0] = version_no_memo;
  put_today(&h[1]);
  put32(&h[count_at], count_);
  put16(&h[8], header_length_);
  put16(&h[10], record_length_);
  h[index_flag_at] = index_flag_ ? 1 : 0;
  h[29] = language_cp1251;
  std::size_t at = 32;
  for (const Slot& slot : slots_) {
    if (slot.def->calculated) continue;
    std::memcpy(&h[at], slot.def->name.data(), slot.def->name.size());
    h[at + 11] = static_cast<std::uint8_t>(slot.def->type);
    h[at + 16] = slot.def->width;
    h[at + 17] = slot.def->decimals;
    at += 32;
  }
  h[at] = 0x0D;
  return h;
}

void DbfTable::create() {
  if (is_open()) close();
  LockedFile file = LockedFile::open(path_, true);
  count_ = 0;
  index_flag_ = false;
  indexes_.clear();
  active_index_.clear();
  std::vector<std::uint8_t> bytes = header_bytes();
  bytes.push_back(end_of_file);
  try {
    file.write_at(0, bytes);
  } catch (const DbfError&) {
    // Ours, since the lock was ours: no half-made table stays behind.
    file.close();
    std::error_code ec;
    std::filesystem::remove(std::filesystem::u8path(path_), ec);
    throw;
  }
}

void DbfTable::open() {
  if (is_open()) return;
  open_on(LockedFile::open(path_, false));
}

void DbfTable::open_in_memory(std::vector<std::uint8_t> bytes) {
  if (is_open()) close();
  open_on(LockedFile::in_memory(std::move(bytes)));
}

void DbfTable::open_on(LockedFile file) {
  std::vector<std::uint8_t> storage;
  const std::span<const std::uint8_t> bytes = file.view_all(storage);
  if (bytes.size() < header_length_ || bytes[0] != version_no_memo || get16(&bytes[8]) != header_length_ ||
      get16(&bytes[10]) != record_length_ || bytes[header_length_ - 1] != 0x0D) {
    damaged(path_);
  }
  std::size_t at = 32;
  for (const Slot& slot : slots_) {
    if (slot.def->calculated) continue;
    const std::uint8_t* d = &bytes[at];
    if (!same_name(d, slot.def->name) || d[11] != slot.def->type || d[16] != slot.def->width ||
        d[17] != slot.def->decimals) {
      damaged(path_);
    }
    at += 32;
  }
  const std::uint32_t count = get32(&bytes[count_at]);
  if ((bytes.size() - header_length_) / record_length_ < count) damaged(path_);

  // The index lives with the open table; a file whose flag promises an index we do
  // not hold opens without it.
  if (bytes[index_flag_at] != 0 && indexes_.empty()) {
    const std::uint8_t zero = 0;
    file.write_at(index_flag_at, {&zero, 1});
  }
  index_flag_ = !indexes_.empty();

  file_ = std::move(file);
  count_ = count;
  records_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(header_length_),
                  bytes.begin() + static_cast<std::ptrdiff_t>(header_length_ + count * record_length_));
  mode_ = Mode::browse;
  condition_.reset();
  if (filtered_) set_filtered(true);
  rebuild_order();
  first();
}

void DbfTable::close() {
  if (!is_open()) return;
  std::exception_ptr failure;
  if (mode_ != Mode::browse) {
    try {
      post();
    } catch (const DbfError&) {
      failure = std::current_exception();
    }
  }
  close_quietly();
  if (failure) std::rethrow_exception(failure);
}

void DbfTable::close_quietly() noexcept {
  mode_ = Mode::browse;
  file_.close();
  records_.clear();
  records_.shrink_to_fit();
  order_.clear();
  place_.clear();
  pos_ = 0;
  count_ = 0;
}

// --- navigation ---

void DbfTable::first() { pos_ = 0; }
void DbfTable::last() { pos_ = order_.empty() ? 0 : order_.size() - 1; }
void DbfTable::next() {
  if (pos_ < order_.size()) ++pos_;
}
void DbfTable::prior() {
  if (pos_ > 0) --pos_;
}
bool DbfTable::eof() const { return pos_ >= order_.size(); }

std::uint32_t DbfTable::recno() const {
  if (mode_ == Mode::insert || order_.empty()) return 0;
  return order_[std::min(pos_, order_.size() - 1)] + 1;
}

bool DbfTable::go_to(std::uint32_t recno) {
  if (recno == 0 || recno > place_.size() || place_[recno - 1] == not_shown) return false;
  pos_ = place_[recno - 1];
  return true;
}

bool DbfTable::locate(std::string_view field, double value) {
  const Slot& slot = stored_slot(field);
  for (std::size_t i = 0; i < order_.size(); ++i) {
    if (parse_numeric(field_bytes(order_[i], slot)) == value) {
      pos_ = i;
      return true;
    }
  }
  return false;
}

// --- field access ---

std::string_view DbfTable::field_bytes(std::size_t record, const Slot& slot) const {
  const auto* p = reinterpret_cast<const char*>(records_.data() + record * record_length_ + slot.offset);
  return {p, slot.def->width};
}

std::string_view DbfTable::current_field_bytes(const Slot& slot) const {
  if (mode_ != Mode::browse) return {reinterpret_cast<const char*>(buffer_.data()) + slot.offset, slot.def->width};
  if (!is_open() || order_.empty()) return {};
  return field_bytes(order_[std::min(pos_, order_.size() - 1)], slot);
}

std::optional<double> DbfTable::number(std::string_view field) const {
  return parse_numeric(current_field_bytes(stored_slot(field)));
}

std::string DbfTable::text(std::string_view field) const {
  const Slot& slot = slots_[field_index(field)];
  if (slot.def->calculated) {
    CalcFieldSink sink(slot.def->name);
    if (calc_fields_ && is_open()) calc_fields_(*this, sink);
    return sink.value();
  }
  std::string_view bytes = trim_right(current_field_bytes(slot));
  if (slot.def->type == 'N') {
    // A numeric field that holds no number is empty, as number() reads it.
    if (!parse_numeric(bytes)) return {};
    bytes.remove_prefix(std::min(bytes.size(), bytes.find_first_not_of(' ')));
  }
  return cp1251_to_utf8(bytes);
}

void DbfTable::start_edit() {
  require_open();
  if (mode_ != Mode::browse) return;
  if (order_.empty()) throw DbfError("Таблица \"" + path_ + "\" пуста: нечего изменять");
  edited_ = order_[std::min(pos_, order_.size() - 1)];
  const auto begin = records_.begin() + static_cast<std::ptrdiff_t>(edited_ * record_length_);
  buffer_.assign(begin, begin + static_cast<std::ptrdiff_t>(record_length_));
  mode_ = Mode::edit;
}

std::uint8_t* DbfTable::writable_field(const Slot& slot) {
  start_edit();
  return buffer_.data() + slot.offset;
}

bool DbfTable::set_number(std::string_view field, std::optional<double> value) {
  const Slot& slot = stored_slot(field);
  std::uint8_t* p = writable_field(slot);
  const auto text = value ? format_numeric(*value, slot.def->width, slot.def->decimals) : std::nullopt;
  std::memset(p, ' ', slot.def->width);
  if (text) std::memcpy(p, text->data(), slot.def->width);
  return text.has_value() || !value.has_value();
}

void DbfTable::set_text(std::string_view field, std::string_view utf8) {
  const Slot& slot = stored_slot(field);
  std::uint8_t* p = writable_field(slot);
  const std::string bytes = utf8_to_cp1251(utf8);
  std::memset(p, ' ', slot.def->width);
  std::memcpy(p, bytes.data(), std::min<std::size_t>(bytes.size(), slot.def->width));
}

// --- changes ---

void DbfTable::append() {
  require_open();
  if (mode_ != Mode::browse) post();
  buffer_.assign(record_length_, ' ');
  mode_ = Mode::insert;
}

void DbfTable::cancel() { mode_ = Mode::browse; }

void DbfTable::write_count() {
  std::uint8_t head[8];
  head[0] = version_no_memo;
  put_today(&head[1]);
  put32(&head[count_at], count_);
  file_.write_at(0, head);
}

void DbfTable::post() {
  if (mode_ == Mode::browse) return;
  if (mode_ == Mode::edit) {
    file_.write_at(header_length_ + std::uint64_t{edited_} * record_length_, buffer_);
    std::copy(buffer_.begin(), buffer_.end(), records_.begin() + static_cast<std::ptrdiff_t>(edited_ * record_length_));
    mode_ = Mode::browse;
    rebuild_order();
    keep_current(edited_);
    return;
  }
  // The record first, then the count that makes it part of the table.
  std::vector<std::uint8_t> bytes = buffer_;
  bytes.push_back(end_of_file);
  file_.write_at(header_length_ + std::uint64_t{count_} * record_length_, bytes);
  records_.insert(records_.end(), buffer_.begin(), buffer_.end());
  ++count_;
  write_count();
  mode_ = Mode::browse;
  const std::uint32_t added = count_ - 1;
  if (active_index_.empty() && shown(added)) {
    order_.push_back(added);  // natural order: no need to sort again
    pos_ = order_.size() - 1;
    place_.push_back(static_cast<std::uint32_t>(pos_));
  } else {
    rebuild_order();
    keep_current(added);
  }
}

void DbfTable::delete_record() {
  require_open();
  if (mode_ == Mode::insert) {
    cancel();
    return;
  }
  mode_ = Mode::browse;
  if (eof()) return;
  const std::uint32_t record = order_[pos_];
  file_.write_at(header_length_ + std::uint64_t{record} * record_length_, {&deleted_mark, 1});
  records_[record * record_length_] = deleted_mark;
  order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(pos_));
  place_[record] = not_shown;
  for (std::size_t i = pos_; i < order_.size(); ++i) place_[order_[i]] = static_cast<std::uint32_t>(i);
}

bool DbfTable::recall(std::uint32_t recno) {
  require_open();
  if (mode_ != Mode::browse) post();
  if (recno == 0 || recno > count_) return false;
  const std::uint32_t record = recno - 1;
  if (records_[record * record_length_] != deleted_mark) return false;
  constexpr std::uint8_t live_mark = ' ';
  file_.write_at(header_length_ + std::uint64_t{record} * record_length_, {&live_mark, 1});
  records_[record * record_length_] = live_mark;
  const std::optional<std::uint32_t> current = eof() ? std::nullopt : std::optional(order_[pos_]);
  rebuild_order();
  keep_current(current);
  return true;
}

bool DbfTable::has_deleted() const {
  for (std::size_t at = 0; at < records_.size(); at += record_length_)
    if (records_[at] == deleted_mark) return true;
  return false;
}

void DbfTable::pack() {
  require_open();
  if (mode_ != Mode::browse) post();
  std::vector<std::uint8_t> kept;
  kept.reserve(records_.size());
  std::uint32_t live = 0;
  for (std::uint32_t r = 0; r < count_; ++r) {
    const auto begin = records_.begin() + static_cast<std::ptrdiff_t>(r * record_length_);
    if (*begin == deleted_mark) continue;
    kept.insert(kept.end(), begin, begin + static_cast<std::ptrdiff_t>(record_length_));
    ++live;
  }
  const std::uint32_t old_count = count_;
  count_ = live;
  std::vector<std::uint8_t> bytes = header_bytes();
  bytes.insert(bytes.end(), kept.begin(), kept.end());
  bytes.push_back(end_of_file);
  try {
    file_.replace_contents(path_, bytes);
  } catch (...) {
    count_ = old_count;
    throw;
  }
  records_ = std::move(kept);
  rebuild_order();
  first();
}

void DbfTable::refresh() {
  if (!is_open()) return;
  const std::optional<std::uint32_t> current = eof() ? std::nullopt : std::optional(order_[pos_]);
  rebuild_order();
  keep_current(current);
}

// --- record order ---

bool DbfTable::shown(std::uint32_t record) const {
  if (records_[record * record_length_] == deleted_mark) return false;
  if (!condition_) return true;
  const auto value = parse_numeric(field_bytes(record, slots_[condition_->field]));
  return value && *value == static_cast<double>(condition_->value);
}

void DbfTable::keep_current(std::optional<std::uint32_t> record) {
  pos_ = record && *record < place_.size() && place_[*record] != not_shown ? place_[*record] : 0;
}

void DbfTable::rebuild_order() {
  sort_order();
  place_.assign(count_, not_shown);
  for (std::size_t i = 0; i < order_.size(); ++i) place_[order_[i]] = static_cast<std::uint32_t>(i);
}

namespace {

// "dd.mm.yyyy" as "yyyymmdd", so that texts compare as the days they name; a text of
// another shape is compared as it is.
std::string date_sort_key(std::string_view date) {
  const auto digits = [&](std::size_t at, std::size_t n) {
    return std::all_of(date.begin() + static_cast<std::ptrdiff_t>(at),
                       date.begin() + static_cast<std::ptrdiff_t>(at + n), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (date.size() < 10 || date[2] != '.' || date[5] != '.' || !digits(0, 2) || !digits(3, 2) || !digits(6, 4))
    return std::string(date);
  std::string key(date.substr(6, 4));
  key.append(date.substr(3, 2)).append(date.substr(0, 2));
  return key;
}

}  // namespace

void DbfTable::sort_order() {
  order_.clear();
  for (std::uint32_t r = 0; r < count_; ++r) {
    if (shown(r)) order_.push_back(r);
  }
  const Index* index = find_index(active_index_);
  if (index == nullptr) return;
  const Slot& slot = slots_[index->field];
  const bool descending = index->descending;
  if (index->time_field) {
    const Slot& time = slots_[*index->time_field];
    std::vector<std::pair<std::string, std::uint32_t>> keys;
    keys.reserve(order_.size());
    for (const std::uint32_t r : order_)
      keys.emplace_back(date_sort_key(field_bytes(r, slot)).append(field_bytes(r, time)), r);
    std::stable_sort(keys.begin(), keys.end(), [descending](const auto& a, const auto& b) {
      return descending ? b.first < a.first : a.first < b.first;
    });
    for (std::size_t i = 0; i < keys.size(); ++i) order_[i] = keys[i].second;
  } else if (slot.def->type == 'N') {
    // Empty fields sort below every number.
    std::vector<std::pair<std::optional<double>, std::uint32_t>> keys;
    keys.reserve(order_.size());
    for (const std::uint32_t r : order_) keys.emplace_back(parse_numeric(field_bytes(r, slot)), r);
    std::stable_sort(keys.begin(), keys.end(), [descending](const auto& a, const auto& b) {
      return descending ? b.first < a.first : a.first < b.first;
    });
    for (std::size_t i = 0; i < keys.size(); ++i) order_[i] = keys[i].second;
  } else {
    std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) {
      const auto ka = field_bytes(a, slot);
      const auto kb = field_bytes(b, slot);
      const auto less = [](std::string_view x, std::string_view y) {
        return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [](char p, char q) {
          return static_cast<unsigned char>(p) < static_cast<unsigned char>(q);
        });
      };
      return descending ? less(kb, ka) : less(ka, kb);
    });
  }
}

// --- filter ---

void DbfTable::set_filter(std::string expression) {
  filter_text_ = std::move(expression);
  if (filtered_) set_filtered(true);
}

void DbfTable::set_filtered(bool on) {
  filtered_ = on;
  std::optional<Condition> condition;
  // An empty expression shows every row, switched on or not: closing a database
  // clears the heat-flow filter before it switches it off.
  const bool blank = filter_text_.find_first_not_of(' ') == std::string::npos;
  if (on && !blank) {
    const std::string_view text = filter_text_;
    const auto equals = text.find('=');
    const auto strip = [](std::string_view s) {
      const auto a = s.find_first_not_of(' ');
      return a == std::string_view::npos ? std::string_view{} : s.substr(a, s.find_last_not_of(' ') - a + 1);
    };
    const std::string_view name = strip(text.substr(0, equals));
    const std::string_view number =
        equals == std::string_view::npos ? std::string_view{} : strip(text.substr(equals + 1));
    long value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    std::size_t field = slots_.size();
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      if (slots_[i].def->name == name && slots_[i].def->type == 'N' && !slots_[i].def->calculated) field = i;
    }
    if (number.empty() || ec != std::errc() || end != number.data() + number.size() || field == slots_.size()) {
      filtered_ = false;
      condition_.reset();
      if (is_open()) refresh();
      throw DbfError("Неверное условие отбора записей: " + filter_text_);
    }
    condition = Condition{field, value};
  }
  condition_ = condition;
  if (is_open()) {
    rebuild_order();
    first();
  }
}

// --- indexes ---

const DbfTable::Index* DbfTable::find_index(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (const Index& index : indexes_) {
    if (index.name == name) return &index;
  }
  return nullptr;
}

void DbfTable::add_index(std::string name, std::string_view field, bool descending) {
  require_open();
  const std::size_t i = field_index(stored_slot(field).def->name);
  std::erase_if(indexes_, [&](const Index& x) { return x.name == name; });
  indexes_.push_back({std::move(name), i, descending, std::nullopt});
  if (!index_flag_) {
    index_flag_ = true;
    const std::uint8_t one = 1;
    file_.write_at(index_flag_at, {&one, 1});
  }
  if (find_index(active_index_) != nullptr) refresh();
}

void DbfTable::add_date_time_index(std::string name, std::string_view date_field, std::string_view time_field,
                                   bool descending) {
  add_index(std::move(name), date_field, descending);
  indexes_.back().time_field = field_index(stored_slot(time_field).def->name);
  if (find_index(active_index_) == &indexes_.back()) refresh();
}

bool DbfTable::set_index(std::string_view name) {
  if (!name.empty() && find_index(name) == nullptr) return false;
  active_index_ = name;
  refresh();
  return true;
}

bool DbfTable::drop_index(std::string_view name) {
  const auto removed = std::erase_if(indexes_, [&](const Index& x) { return x.name == name; });
  if (removed == 0) return false;
  if (active_index_ == name) {
    active_index_.clear();
    refresh();
  }
  return true;
}

}  // namespace kalora::db
