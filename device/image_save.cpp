#include "device/image_save.h"

#include <filesystem>

#include "core/file_io.h"

namespace kalora {

namespace {

std::filesystem::path utf8_path(const std::string& s) {
  return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

}  // namespace

bool save_bin_file(const std::string& path, std::span<const std::uint8_t> image, std::string& error) {
  const std::string partial = path + ".part";
  bool written = false;
  if (FilePtr out = open_file(partial, "wb")) {
    written = write_bytes(out.get(), image) && flush_to_disk(out.get());
    written = close_file(out) && written;
  }
  if (!written || !rename_file(partial, path)) {
    std::error_code ec;
    std::filesystem::remove(utf8_path(partial), ec);
    error = io_error_text(path, "не удалось записать файл");
    return false;
  }
  return true;
}

}  // namespace kalora
