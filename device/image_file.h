// The ".bin" device image file: exactly one image, header and payload.
#pragma once

#include <string>

#include "core/frontend.h"
#include "core/state.h"

namespace kalora {

// Reads the whole file into flash from offset 0; bytes past the file's end keep
// their values. A file that cannot be read, or is longer than flash (no image of
// the instrument is), gets a message and leaves flash untouched. True on success.
bool load_bin_file(State& state, const std::string& path, Frontend& frontend);

}  // namespace kalora
