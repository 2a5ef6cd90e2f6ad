#pragma once

#include "core/frontend.h"
#include "core/state.h"

namespace kalora {

// Judges the image in state.flash: sets dev_type, dev_subtype, the presence flags,
// the counts and the heat-flow channel state, and shows the error for an image of
// another instrument. Callers decode only when data_present is 1 afterwards.
void check_flash(State& state, Frontend& frontend);

}  // namespace kalora
