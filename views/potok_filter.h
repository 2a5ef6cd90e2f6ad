// The heat-flow pages show one kind of measurement each: MEASUR 2, 1 or 0.
#pragma once

#include <cstdint>

#include "core/state.h"

namespace kalora::views {

// Shows only the heat-flow records with MEASUR = n; nothing when the table is closed.
void potok_filter(State& state, std::uint8_t n);

}  // namespace kalora::views
