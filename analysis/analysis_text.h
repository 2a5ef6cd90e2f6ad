// The analysis in words: the lines the window, the printed pages and kalora-cli
// show for a series and its channels, with decimal commas.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/average_method.h"

namespace kalora::analysis {

struct ResultLine {
  std::string label;
  std::string value;
};

std::string kind_name(int kind);  // "Rо" or "Rк"
std::string series_title(const SeriesResult& series);
// The rows analysed when a span is chosen; empty for the whole series.
std::string span_line(const SeriesResult& series, const AnalysisOptions& options);
std::string verdict(std::optional<bool> passed);  // "выполнен", "не выполнен", "недостаточно данных"
std::string overall(const ChannelResult& channel);

// Results of the average method with its four criteria, one per line.
std::vector<ResultLine> channel_lines(const ChannelResult& channel);
// Results of the dynamic method, or one line with the reason there are none.
std::vector<ResultLine> dynamic_lines(const ChannelResult& channel);
// The verdict and the resistance recommended, with its method.
std::vector<ResultLine> verdict_lines(const ChannelResult& channel);
// A row of a channel's results with the three methods side by side: `average`,
// `dynamic` and `greybox` in three columns, or `both` (the first) across them.
inline constexpr int method_columns = 3;
struct SideBySideRow {
  std::string label;
  std::string average{}, dynamic{}, greybox{};
  bool both = false;
  bool bold = false;   // the verdict and the resistance recommended
  std::string term{};  // what the label's symbol stands for, in the engineer's words
};
inline constexpr std::string_view methods_title =
    "метод средних значений и динамический метод по ISO 9869-1, модель стены (RC)";
std::vector<SideBySideRow> side_by_side(const ChannelResult& channel);

// What Rк, Rо and U stand for, in the engineer's words.
std::string terms_line();
// The surface resistances and the convention they come from, in a line.
std::string surface_line(const AnalysisOptions& options);

// The layers, the design values and the heat capacity; nothing for an unknown wall.
std::vector<ResultLine> wall_lines(const Wall& wall, const AnalysisOptions& options);

// Every series with its channels, as kalora-cli prints it.
std::string analysis_text(const Analysis& analysis, const AnalysisOptions& options);

}  // namespace kalora::analysis
