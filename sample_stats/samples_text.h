// Results per sample in words: each group's figures with their units and decimal
// commas, as the window's table, the printed record and kalora-cli show them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sample_stats/sample_groups.h"

namespace kalora::samples {

struct Figure {
  std::string label;            // with its unit: "λ ср., Вт/(м·К)"
  std::optional<double> value;  // a number, shown by `pattern`
  std::string pattern;
  std::string text;  // what is shown: the number with a comma, "—" when empty, or words
  std::string note;  // a remark beside it: extrapolated, why there is no line
};

std::string method_name(Method method);  // "Стационарный метод", "Зондовый метод"
// The rows' N as the table shows them: "1, 2, 5".
std::string row_numbers(const SampleResults& results, const std::vector<std::size_t>& rows);

// Every figure of a group, in the order the table and the record show them.
std::vector<Figure> group_figures(const SampleResults& results, const SampleGroup& group);

// What the abbreviations of the figures mean, one sentence per line.
std::vector<std::string> legend(Method method);

// Every group with its figures, as kalora-cli prints them.
std::string samples_text(const SampleResults& results);

}  // namespace kalora::samples
