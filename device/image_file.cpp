#include "device/image_file.h"

#include <algorithm>
#include <array>

#include "core/file_io.h"

namespace kalora {

bool load_bin_file(State& state, const std::string& path, Frontend& frontend) {
  // Read beside flash first, so a failure halfway leaves the image as it was.
  std::array<std::uint8_t, flash_size> bytes{};
  const ReadResult read = read_file_into(path, bytes);
  if (!read.ok) {
    frontend.show_error(read.file_size > flash_size
                            ? "Файл \"" + path + "\" не является образом памяти прибора: он длиннее 8192 байт"
                            : read.error);
    return false;
  }
  std::copy_n(bytes.begin(), read.bytes_read, state.flash.begin());
  return true;
}

}  // namespace kalora
