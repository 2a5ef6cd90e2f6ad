// Device images with plausible measurements, as an instrument would hold them:
// the simulator serves them and samples/ ships them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kalora {

enum class SampleKind { stat, zond, both, flow, wall, samples };

std::optional<SampleKind> sample_kind(std::string_view name);  // "stat", "zond", "both", "flow", "wall", "samples"

// The whole image, header included: 5166 bytes for the heat-conductivity meter and
// 6674 for the heat-flow meter, the sizes of their dumps.
std::vector<std::uint8_t> make_sample_image(SampleKind kind);

}  // namespace kalora
