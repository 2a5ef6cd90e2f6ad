// The analysis as one JSON document (kalora-cli analyze --json).
#pragma once

#include <string>

#include "analysis/average_method.h"

namespace kalora::analysis {

// Numbers in their shortest form that reads back as the same double; empty values null.
// The options give the wall's layers and its design values.
std::string to_json(const Analysis& analysis, const AnalysisOptions& options);

// "reliable", "unreliable" or "undetermined".
std::string trust_name(Trust trust);

}  // namespace kalora::analysis
