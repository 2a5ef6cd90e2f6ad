// The analysed span: the rows of a series from one instant to another, both ends
// included, as the engineer leaves out the sensors' settling or a disturbed day.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/observations.h"

namespace kalora::analysis {

struct Span {
  std::optional<std::int64_t> from, to;  // clock seconds; an open end when empty

  bool whole() const { return !from && !to; }
  bool contains(std::int64_t t) const { return (!from || t >= *from) && (!to || t <= *to); }
};

// The series' rows inside the span.
Series within(const Series& series, const Span& span);

// "dd.mm.yyyy hh:mm" as clock seconds; nothing when it is not a real date and time.
std::optional<std::int64_t> span_time(std::string_view text);
std::string span_text(std::int64_t seconds);  // "dd.mm.yyyy hh:mm"

}  // namespace kalora::analysis
