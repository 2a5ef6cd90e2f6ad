// The analysis as one JSON document (kalora-cli analyze --json).
#pragma once

#include <string>

#include "analysis/average_method.h"

namespace kalora::analysis {

// Numbers in their shortest form that reads back as the same double; empty values null.
std::string to_json(const Analysis& analysis);

}  // namespace kalora::analysis
