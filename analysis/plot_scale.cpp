#include "analysis/plot_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "analysis/observations.h"

namespace kalora::plot {

namespace {

constexpr double hour = 3600;
constexpr double day = 24 * hour;

// Steps of hours and of a clock, in hours: within a day they divide it evenly.
constexpr std::array<double, 13> hour_steps = {1, 2, 3, 6, 12, 24, 48, 72, 120, 168, 336, 720, 1440};

// The digits after the comma that show every multiple of `step`.
int decimals_of(double step) {
  for (int d = 0; d < 6; ++d) {
    const double scaled = step * std::pow(10.0, d);
    if (std::abs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, scaled)) return d;
  }
  return 6;
}

// The smallest of 1, 2, 2.5, 5, 10 times a power of ten that is at least `raw`.
double nice_step(double raw) {
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double f : {1.0, 2.0, 2.5, 5.0})
    if (f * magnitude >= raw * (1 - 1e-9)) return f * magnitude;
  return 10 * magnitude;
}

double first_step_at_least(double raw) {
  for (const double h : hour_steps)
    if (h >= raw * (1 - 1e-9)) return h;
  return std::ceil(raw / hour_steps.back()) * hour_steps.back();
}

// Ticks at every multiple of `step` from low to high; each end widened to a whole step or kept.
Scale stepped(double low, double high, double step, bool widen_low, bool widen_high) {
  Scale s;
  s.step = step;
  s.low = widen_low ? std::floor(low / step + 1e-9) * step : low;
  s.high = widen_high ? std::ceil(high / step - 1e-9) * step : high;
  if (s.high <= s.low) s.high = s.low + step;
  for (double k = std::ceil(s.low / step - 1e-9);; ++k) {
    const double at = k * step;
    if (at > s.high + step * 1e-9) break;
    s.ticks.push_back({at == 0 ? 0 : at, {}, false});  // no "-0"
  }
  return s;
}

// "hh:mm", or "dd.mm" at midnight.
std::string clock_label(double seconds, bool midnight) {
  const std::string text = analysis::clock_text(std::llround(seconds));  // dd.mm.yyyy hh:mm:ss
  return midnight ? text.substr(0, 5) : text.substr(11, 5);
}

}  // namespace

std::string number_label(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string s = text;
  if (s.find_first_not_of("-0.,") == std::string::npos && s.front() == '-') s.erase(0, 1);  // "-0,0"
  std::replace(s.begin(), s.end(), '.', ',');
  return s;
}

Scale axis_scale(AxisKind kind, double low, double high, int max_ticks) {
  if (!std::isfinite(low) || !std::isfinite(high)) low = 0, high = 1;
  if (low > high) std::swap(low, high);
  if (high == low) {
    // A tenth of the value either side: the points of equal values sit in the middle of a scale of their size.
    const double room = kind == AxisKind::value   ? (low != 0 ? std::abs(low) * 0.1 : 1.0)
                        : kind == AxisKind::hours ? 1
                                                  : hour;
    low -= room;
    high += room;
  }
  const int steps = std::max(max_ticks, 1);
  const double raw = (high - low) / steps;
  Scale s;
  switch (kind) {
    case AxisKind::value:
    case AxisKind::hours: {
      // Less than two hours across: fractions of an hour, as plain numbers.
      const bool in_hours = kind == AxisKind::hours && high - low >= 2;
      // Elapsed time ends where the data end: no empty stretch after the last record.
      s = stepped(low, high, in_hours ? first_step_at_least(raw) : nice_step(raw), true, kind == AxisKind::value);
      const int decimals = in_hours ? 0 : decimals_of(s.step);
      for (Tick& t : s.ticks) t.label = number_label(t.at, decimals);
      break;
    }
    case AxisKind::clock: {
      // Less than two hours across: minutes of 1, 2, 5, 10, 15, 30.
      double step = first_step_at_least(raw / hour) * hour;
      if (high - low < 2 * hour)
        for (const double m : {1, 2, 5, 10, 15, 30, 60})
          if (m * 60 >= raw * (1 - 1e-9)) {
            step = m * 60;
            break;
          }
      s = stepped(low, high, step, false, false);
      for (Tick& t : s.ticks) {
        t.major = std::fmod(std::fmod(t.at, day) + day, day) == 0;
        t.label = clock_label(t.at, t.major);
      }
      break;
    }
  }
  return s;
}

}  // namespace kalora::plot
