// Writing a device image to a ".bin" file.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kalora {

// Writes the image beside the target first and puts it in place only once it is
// complete, so a failed write never leaves half a file under the old name. On
// failure returns false and sets error to the user's message.
bool save_bin_file(const std::string& path, std::span<const std::uint8_t> image, std::string& error);

}  // namespace kalora
