#include "device/image_save.h"

#include "core/file_io.h"

namespace kalora {

bool save_bin_file(const std::string& path, std::span<const std::uint8_t> image, std::string& error) {
  error = replace_file(path, image);
  return error.empty();
}

}  // namespace kalora
