// The ".bin" device image file: exactly one image, header and payload.
#pragma once

#include <string>

#include "core/frontend.h"
#include "core/state.h"

namespace kalora {

enum class BinLoad {
  loaded,
  unreadable,    // the file could not be read
  not_an_image,  // shorter than an image's header, or longer than flash
};

// Reads the whole file into flash from offset 0 and sets the bytes past the
// image's end to 0, so nothing of an earlier image can pass for a record of this
// one. A file that is refused gets a message and leaves flash untouched.
BinLoad load_bin_file(State& state, const std::string& path, Frontend& frontend);

}  // namespace kalora
