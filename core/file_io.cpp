#include "core/file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace kalora {

namespace {

std::string system_reason() { return std::strerror(errno); }

}  // namespace

FilePtr open_file(const std::string& utf8_path, const char* mode) {
#ifdef _WIN32
  const std::filesystem::path path = std::filesystem::u8path(utf8_path);
  const std::wstring wide_mode(mode, mode + std::strlen(mode));
  return FilePtr(_wfopen(path.c_str(), wide_mode.c_str()));
#else
  return FilePtr(std::fopen(utf8_path.c_str(), mode));
#endif
}

std::string io_error_text(const std::string& path, std::string_view what) {
  std::string text = "Ошибка ввода-вывода: ";
  text += what;
  text += " \"" + path + "\"";
  return text;
}

ReadResult read_file_into(const std::string& path, std::span<std::uint8_t> into, bool allow_longer) {
  ReadResult result;
  std::error_code ec;
  if (std::filesystem::is_directory(std::filesystem::u8path(path), ec)) {
    result.error = io_error_text(path, "это папка, а не файл:");
    return result;
  }
  errno = 0;
  const FilePtr file = open_file(path, "rb");
  if (!file) {
    result.error = io_error_text(path, "не удалось открыть файл") + " (" + system_reason() + ")";
    return result;
  }
  if (std::fseek(file.get(), 0, SEEK_END) != 0) {
    result.error = io_error_text(path, "не удалось прочитать файл");
    return result;
  }
  const long end = std::ftell(file.get());
  if (end < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
    result.error = io_error_text(path, "не удалось прочитать файл");
    return result;
  }
  result.file_size = static_cast<std::uintmax_t>(end);
  if (result.file_size > into.size() && !allow_longer) {
    result.error = "Файл \"" + path + "\" длиннее " + std::to_string(into.size()) + " байт";
    return result;
  }
  const std::size_t wanted = result.file_size < into.size() ? static_cast<std::size_t>(result.file_size) : into.size();
  result.bytes_read = std::fread(into.data(), 1, wanted, file.get());
  if (result.bytes_read != wanted) {
    result.error = io_error_text(path, "не удалось прочитать файл");
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace kalora
