// The analysis in words: the lines the window, the printed pages and kalora-cli
// show for a series and its channels, with decimal commas.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/average_method.h"

namespace kalora::analysis {

struct ResultLine {
  std::string label;
  std::string value;
};

std::string kind_name(int kind);  // "Rо" or "Rк"
std::string series_title(const SeriesResult& series);
std::string verdict(std::optional<bool> passed);  // "выполнен", "не выполнен", "недостаточно данных"
std::string overall(const ChannelResult& channel);

// Results, the four criteria and the verdict of a channel, one per line.
std::vector<ResultLine> channel_lines(const ChannelResult& channel);

// Every series with its channels, as kalora-cli prints it.
std::string analysis_text(const Analysis& analysis);

}  // namespace kalora::analysis
