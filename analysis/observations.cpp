#include "analysis/observations.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace kalora::analysis {

namespace {

constexpr std::int64_t day_seconds = 86400;

// Days from 01.01.1970 of a date of the proleptic Gregorian calendar.
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int month_days(int year, int month) {
  static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leap(year) ? 29 : days[static_cast<std::size_t>(month - 1)];
}

std::string_view trimmed(std::string_view s) {
  const auto a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return {};
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// Numbers of a text like "dd.mm.yyyy" with the widths given and one separator.
template <std::size_t N>
std::optional<std::array<int, N>> fields_of(std::string_view text, const std::array<std::size_t, N>& widths, char sep) {
  std::array<int, N> out{};
  std::size_t pos = 0;
  for (std::size_t i = 0; i < N; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != sep) return std::nullopt;
      ++pos;
    }
    if (pos + widths[i] > text.size()) return std::nullopt;
    const char* first = text.data() + pos;
    const char* last = first + widths[i];
    if (!std::all_of(first, last, [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    std::from_chars(first, last, out[i]);
    pos += widths[i];
  }
  if (pos != text.size()) return std::nullopt;
  return out;
}

// Switches a table to natural order with every row shown, and back.
class NaturalOrder {
 public:
  explicit NaturalOrder(db::DbfTable& table)
      : table_(table), index_(table.active_index()), filtered_(table.filtered()), recno_(table.recno()) {
    if (filtered_) table_.set_filtered(false);
    if (!index_.empty()) table_.set_index("");
  }
  ~NaturalOrder() {
    if (!index_.empty()) table_.set_index(index_);
    if (filtered_) table_.set_filtered(true);
    if (recno_ != 0) table_.go_to(recno_);
  }
  NaturalOrder(const NaturalOrder&) = delete;
  NaturalOrder& operator=(const NaturalOrder&) = delete;

 private:
  db::DbfTable& table_;
  std::string index_;
  bool filtered_;
  std::uint32_t recno_;
};

constexpr std::array<std::array<std::string_view, 4>, channel_count> channel_fields{{
    {"POTOK_1", "T_IN_1", "T_EXT_1", "RES_1"},
    {"POTOK_2", "T_IN_2", "T_EXT_2", "RES_2"},
    {"POTOK_3", "T_IN_3", "T_EXT_3", "RES_3"},
}};

}  // namespace

std::optional<std::int64_t> clock_seconds(std::string_view date, std::string_view time) {
  const auto d = fields_of<3>(trimmed(date), {2, 2, 4}, '.');
  const auto t = fields_of<3>(trimmed(time), {2, 2, 2}, ':');
  if (!d || !t) return std::nullopt;
  const auto [day, month, year] = *d;
  const auto [hour, minute, second] = *t;
  if (month < 1 || month > 12 || day < 1 || day > month_days(year, month)) return std::nullopt;
  if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  return days_from_civil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * day_seconds + hour * 3600 +
         minute * 60 + second;
}

std::string clock_text(std::int64_t seconds) {
  std::int64_t days = seconds / day_seconds;
  std::int64_t rest = seconds % day_seconds;
  if (rest < 0) {
    rest += day_seconds;
    --days;
  }
  // Civil date of a day count (the inverse of days_from_civil).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned day = doy - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02u.%02u.%04lld %02d:%02d:%02d", day, month, static_cast<long long>(year),
                static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
  return buffer;
}

Observations read_observations(db::DbfTable& table) {
  Observations out;
  const NaturalOrder natural(table);
  for (table.first(); !table.eof(); table.next()) {
    const auto kind = table.number("MEASUR");
    if (table.number("MODE") != 1.0 || (kind != 0.0 && kind != 1.0)) continue;
    const auto time = clock_seconds(table.text("DATE"), table.text("TIME"));
    if (!time) {
      ++out.skipped;
      continue;
    }
    Observation row;
    row.time = *time;
    row.kind = static_cast<int>(*kind);
    for (std::size_t c = 0; c < channel_count; ++c) {
      row.q[c] = table.number(channel_fields[c][0]);
      row.t_in[c] = table.number(channel_fields[c][1]);
      row.t_ext[c] = table.number(channel_fields[c][2]);
      row.res[c] = table.number(channel_fields[c][3]);
    }
    out.rows.push_back(row);
  }
  std::stable_sort(out.rows.begin(), out.rows.end(),
                   [](const Observation& a, const Observation& b) { return a.time < b.time; });
  return out;
}

std::vector<Series> split_series(const std::vector<Observation>& rows, double max_gap) {
  max_gap = std::min(max_gap, longest_pause);
  std::vector<Series> out;
  for (const Observation& row : rows) {
    const bool starts = out.empty() || out.back().kind != row.kind ||
                        static_cast<double>(row.time - out.back().rows.back().time) > max_gap;
    if (starts) out.push_back({row.kind, {}});
    out.back().rows.push_back(row);
  }
  return out;
}

}  // namespace kalora::analysis
