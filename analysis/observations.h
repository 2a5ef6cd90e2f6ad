// Observation series of the heat-flow table: the rows logged in the mode
// "Наблюдения", ordered by the instrument's clock and cut into series where the
// kind of measurement changes or the logging paused too long.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/dbf_table.h"

namespace kalora::analysis {

inline constexpr int channel_count = 3;

// One analysed record of the heat-flow table.
struct Observation {
  std::int64_t time = 0;  // seconds of the instrument's clock from 01.01.1970
  int kind = 0;           // MEASUR: 0 air to air (Rо), 1 surface to surface (Rк)
  std::array<std::optional<double>, channel_count> q, t_in, t_ext, res;
};

struct Observations {
  std::vector<Observation> rows;  // in time order, equal times in table order
  std::size_t skipped = 0;        // observation rows whose date or time is not a real one
};

// Seconds of "dd.mm.yyyy" and "hh:mm:ss" read as the instrument's clock (no zone, no
// daylight saving); nothing when the texts are not a real date and time.
std::optional<std::int64_t> clock_seconds(std::string_view date, std::string_view time);
// "dd.mm.yyyy hh:mm:ss" of clock seconds.
std::string clock_text(std::int64_t seconds);

// The observation rows of an open heat-flow table, read in natural order whatever
// filter and sort the grids have set; both are restored afterwards.
Observations read_observations(db::DbfTable& table);

// The longest pause a series bridges, whatever max_gap allows: beyond it the rows
// are two measurements, not one with a hole. The criteria take a series' first to last
// row as its measured time and its days as the wall's days, so a hole of days would
// count as days measured (two 41.5-hour blocks 8 days apart as 281.5 hours).
inline constexpr double longest_pause = 86400;  // seconds: one day of the weather

// A run of rows of one kind with no pause longer than max_gap seconds (nor a day).
struct Series {
  int kind = 0;
  std::vector<Observation> rows;
};

std::vector<Series> split_series(const std::vector<Observation>& rows, double max_gap);

}  // namespace kalora::analysis
