#include "device/image_file.h"

#include <algorithm>
#include <array>

#include "core/file_io.h"
#include "device/transfer.h"

namespace kalora {

BinLoad load_bin_file(State& state, const std::string& path, Frontend& frontend) {
  // Read beside flash first, so a failure halfway leaves the image as it was.
  std::array<std::uint8_t, flash_size> bytes{};
  const ReadResult read = read_file_into(path, bytes);
  const auto not_an_image = [&](const char* why) {
    frontend.show_error("Файл \"" + path + "\" не является образом памяти прибора: " + why);
    return BinLoad::not_an_image;
  };
  if (read.file_size > flash_size) return not_an_image("он длиннее 8192 байт");
  if (!read.ok) {
    frontend.show_error(read.error);
    return BinLoad::unreadable;
  }
  if (read.bytes_read < image_header_size) return not_an_image("он короче заголовка в 9 байт");
  state.flash = bytes;  // zeros past the file's end
  return BinLoad::loaded;
}

}  // namespace kalora
