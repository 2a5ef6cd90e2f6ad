#include "core/file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kalora {

namespace {

std::string system_reason() { return std::strerror(errno); }

FileFaultHook& fault_hook() {
  static FileFaultHook hook;
  return hook;
}

bool fails(FileOp op) {
  const int error = injected_file_fault(op);
  if (error != 0) errno = error;
  return error != 0;
}

}  // namespace

void set_file_fault_hook(FileFaultHook hook) { fault_hook() = std::move(hook); }

int injected_file_fault(FileOp op) { return fault_hook() ? fault_hook()(op) : 0; }

std::filesystem::path native_path(const std::string& utf8_path) { return std::filesystem::u8path(utf8_path); }

std::string utf8_text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

void remove_quietly(const std::string& utf8_path) {
  std::error_code ec;
  const std::filesystem::path path = native_path(utf8_path);
  if (!std::filesystem::is_directory(path, ec)) std::filesystem::remove(path, ec);
}

FilePtr open_file(const std::string& utf8_path, const char* mode) {
  if (std::strpbrk(mode, "wa+") != nullptr && fails(FileOp::create)) return nullptr;
#ifdef _WIN32
  const std::filesystem::path path = std::filesystem::u8path(utf8_path);
  const std::wstring wide_mode(mode, mode + std::strlen(mode));
  return FilePtr(_wfopen(path.c_str(), wide_mode.c_str()));
#else
  return FilePtr(std::fopen(utf8_path.c_str(), mode));
#endif
}

bool write_bytes(std::FILE* file, std::span<const std::uint8_t> bytes) {
  if (const int error = injected_file_fault(FileOp::write)) {
    if (error == ENOSPC) std::fwrite(bytes.data(), 1, bytes.size() / 2, file);
    errno = error;
    return false;
  }
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool flush_to_disk(std::FILE* file) {
  if (fails(FileOp::flush) || std::fflush(file) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return ::fsync(::fileno(file)) == 0;
#endif
}

bool close_file(FilePtr& file) {
  std::FILE* f = file.release();
  if (f == nullptr) return true;
  if (fails(FileOp::close)) {
    std::fclose(f);
    return false;
  }
  return std::fclose(f) == 0;
}

bool rename_file(const std::string& from, const std::string& to) {
  if (fails(FileOp::rename)) return false;
#ifdef _WIN32
  const std::filesystem::path source = std::filesystem::u8path(from);
  const std::filesystem::path target = std::filesystem::u8path(to);
  if (!MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    errno = EIO;
    return false;
  }
#else
  if (::rename(from.c_str(), to.c_str()) != 0) return false;
  // The new name reaches the disk with its folder. A file system that cannot flush
  // a folder has nothing more to do; the rename has happened either way.
  std::string folder = std::filesystem::path(to).parent_path().string();
  if (folder.empty()) folder = ".";
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
#endif
  return true;
}

std::string replace_file(const std::string& target, const FileWriter& write) {
  const std::string temp = target + ".new";
  FilePtr file = open_file(temp, "wb");
  if (!file) return io_error_text(target, "не удалось создать файл");
  const auto discard = [&] {
    close_file(file);
    remove_quietly(temp);
  };
  bool written = false;
  try {
    written = write(file.get()) && flush_to_disk(file.get());
  } catch (...) {
    discard();
    throw;
  }
  written = close_file(file) && written;
  if (!written) {
    discard();
    return io_error_text(target, "не удалось записать файл");
  }
  if (!rename_file(temp, target)) {
    discard();
    return io_error_text(target, "не удалось заменить файл");
  }
  return {};
}

std::string replace_file(const std::string& target, std::span<const std::uint8_t> bytes) {
  return replace_file(target, [bytes](std::FILE* file) { return write_bytes(file, bytes); });
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
