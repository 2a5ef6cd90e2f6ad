// Results per sample as one JSON document (kalora-cli samples --json).
#pragma once

#include <string>

#include "sample_stats/sample_groups.h"

namespace kalora::samples {

std::string to_json(const SampleResults& results);

}  // namespace kalora::samples
