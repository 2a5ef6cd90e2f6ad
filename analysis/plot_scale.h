// The ticks of a plot's axis: nice steps of plain numbers (1, 2, 2.5, 5 times a power
// of ten), of hours (1, 2, 3, 6, 12 hours, then days) and of a clock's time of day.
#pragma once

#include <string>
#include <vector>

#include "analysis/plot.h"

namespace kalora::plot {

struct Tick {
  double at = 0;
  std::string label;
  bool major = false;  // a clock's midnight
};

struct Scale {
  double low = 0, high = 1;  // the axis' range, never empty
  double step = 1;           // between ticks
  std::vector<Tick> ticks;   // those inside [low, high], in order
};

// The scale of [low, high] with at most `max_ticks` steps across it (at least one).
// A value axis widens the range to whole steps, an hours axis only its start (time
// ends where the data end); a clock axis keeps it and puts its ticks inside. A range of one value is widened around it; one that is not finite
// becomes [0, 1].
Scale axis_scale(AxisKind kind, double low, double high, int max_ticks);

// A number with `decimals` digits after the decimal comma ("-1,25").
std::string number_label(double value, int decimals);

}  // namespace kalora::plot
