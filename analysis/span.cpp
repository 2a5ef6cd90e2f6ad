#include "analysis/span.h"

#include <algorithm>
#include <iterator>

namespace kalora::analysis {

Series within(const Series& series, const Span& span) {
  Series out{series.kind, {}};
  std::copy_if(series.rows.begin(), series.rows.end(), std::back_inserter(out.rows),
               [&](const Observation& row) { return span.contains(row.time); });
  return out;
}

std::optional<std::int64_t> span_time(std::string_view text) {
  const auto space = text.find(' ');
  if (space == std::string_view::npos || text.size() - space - 1 != 5) return std::nullopt;
  return clock_seconds(text.substr(0, space), std::string(text.substr(space + 1)) + ":00");
}

std::string span_text(std::int64_t seconds) { return clock_text(seconds).substr(0, 16); }

}  // namespace kalora::analysis
