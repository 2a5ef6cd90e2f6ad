// The average method: a wall's thermal resistance from the sums of its temperature
// differences and heat flux, the running resistance, and the convergence criteria
// of a measurement (its length, the last day's drift, the first and last two thirds).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/dynamic_method.h"
#include "analysis/greybox_method.h"
#include "analysis/observations.h"
#include "analysis/span.h"
#include "analysis/surface.h"
#include "analysis/wall_layers.h"

namespace kalora::analysis {

enum class Trust { reliable, unreliable, undetermined };

// What the program makes of a channel: whether its result can be trusted, why, and
// the resistance it recommends with the method that gave it.
struct Verdict {
  Trust trust = Trust::undetermined;
  std::string reason;  // "достоверно", "недостоверно: …", "не определено: …"
  std::optional<double> R_best;
  std::optional<double> R_lo, R_hi;  // R_best's 90 % interval
  std::string method;  // "average", "dynamic" or "greybox"; empty without R_best
  std::optional<double> days_more;   // further days of recording until reliable, when that may help
};

struct AnalysisOptions {
  // Sets rsi and rse to a named convention's values.
  void use_surface(Surface named);

  double max_gap = 21600;   // seconds; a longer pause starts a new series
  Surface surface = Surface::sp50;  // what rsi and rse are
  double rsi = 1 / 8.7;             // m²·K/W, inner surface, for surface-to-surface series
  double rse = 1 / 23.0;            // m²·K/W, outer surface
  bool whole_days = false;  // drop the start, keeping at least the last floor(D) whole days
  Span span;                // the rows of every series analysed
  Wall wall;                // layers or heat capacity, when known
};

inline constexpr double min_hours = 72;     // criterion 1
inline constexpr double max_deviation = 5;  // per cent, criteria 2 and 3
inline constexpr std::int64_t day = 86400;  // seconds

// One channel of a series. Empty values (nothing to divide by, too short) are nullopt.
struct ChannelResult {
  int channel = 0;         // 1, 2, 3
  int kind = 1;            // of its series: 0 Rо (air to air), 1 Rк (surface to surface)
  std::int64_t start = 0;  // clock seconds of the channel's first row used
  // The rows used, from the channel's first one.
  std::vector<double> seconds;  // since the first row
  std::vector<double> q, t_in, t_ext;
  std::vector<std::optional<double>> running;  // running R_k
  double hours = 0;
  double q_mean = 0;
  double dT_mean = 0;
  std::optional<double> res_mean, R, U;
  std::optional<double> R24, dev24;
  std::optional<bool> c2;
  std::int64_t m_days = 0;
  std::optional<double> R_first, R_last, dev23;
  std::optional<bool> c3;
  bool c1 = false;
  bool iso = false;
  // The stored-heat criterion (with a heat capacity), the dynamic method and the verdict.
  std::optional<double> stored_heat_pct;
  std::optional<bool> c4;
  std::optional<DynamicResult> dynamic;
  std::string dynamic_reason;
  std::optional<GreyboxResult> greybox;
  std::string greybox_reason;
  Verdict verdict;
  // How R_best and its interval settled as the series grew (r_growth.h); empty until computed.
  struct GrowthStep {
    double hours = 0;  // from the channel's first row
    double R = 0;
    std::optional<double> R_lo, R_hi;
  };
  std::vector<GrowthStep> growth;

  std::size_t records() const { return seconds.size(); }
};

struct SeriesResult {
  int index = 0;  // from 1, in time order
  int kind = 0;
  std::int64_t first = 0;  // clock seconds of its first and last row
  std::int64_t last = 0;
  std::size_t records = 0;
  // The rows inside the span, and the times of the first and last of them.
  std::size_t analysed = 0;
  std::int64_t from = 0, to = 0;
  std::vector<ChannelResult> channels;  // those with at least two rows, in order 1, 2, 3

  double hours() const { return static_cast<double>(last - first) / 3600; }
};

struct Analysis {
  std::vector<SeriesResult> series;
  std::size_t skipped = 0;
};

// A channel's results, or nothing when fewer than two of its rows remain.
std::optional<ChannelResult> analyse_channel(const Series& series, int channel, const AnalysisOptions& options);

// For an analysis that runs beside a window: asked between series and between channels
// whether to stop (the result then holds the series finished so far); told of each
// series once its rows and the average method are in, before the slower methods, and
// again once it is finished.
struct AnalysisHooks {
  std::function<bool()> stop;
  std::function<void(const SeriesResult& series, std::size_t total)> series_begun;
  std::function<void(const SeriesResult& series, std::size_t done, std::size_t total)> series_done;
};

Analysis analyse(const Observations& observations, const AnalysisOptions& options, const AnalysisHooks& hooks = {});

}  // namespace kalora::analysis
