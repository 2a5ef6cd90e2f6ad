#include "core/file_io.h"

#include <cerrno>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <random>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
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

#ifdef _WIN32
namespace {

// The text in the ANSI code page; empty when a letter has no place in it.
std::string ansi_text(const std::wstring& wide) {
  if (wide.empty()) return {};
  BOOL lossy = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, &lossy);
  if (size <= 0 || lossy) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, &lossy);
  return lossy ? std::string{} : text;
}

}  // namespace
#endif

std::string narrow_name(const std::filesystem::path& path) {
#ifdef _WIN32
  if (GetACP() == CP_UTF8) return utf8_text(path);
  const std::wstring wide = path.wstring();
  if (std::string text = ansi_text(wide); !text.empty()) return text;
  const DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::wstring shorter(size, L'\0');
  const DWORD length = GetShortPathNameW(wide.c_str(), shorter.data(), size);
  if (length == 0 || length >= size) return {};
  shorter.resize(length);
  return ansi_text(shorter);
#else
  return path.string();
#endif
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

std::optional<std::uint64_t> length_of(std::FILE* file) {
#ifdef _WIN32
  const __int64 length = _filelengthi64(_fileno(file));
  if (length < 0) return std::nullopt;
#else
  struct stat info {};
  if (::fstat(::fileno(file), &info) != 0) return std::nullopt;
  const off_t length = info.st_size;
#endif
  return static_cast<std::uint64_t>(length);
}

bool seek_file(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
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

namespace {

// The part of the target's file name a temporary name keeps: at most 64 bytes, cut
// at a character boundary, so the temporary name stays far below the system's limit
// however long the target's name is.
std::string name_prefix(const std::string& target) {
  std::string name = utf8_text(native_path(target).filename());
  constexpr std::size_t longest = 64;
  if (name.size() > longest) {
    std::size_t cut = longest;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return name;
}

std::string random_part() {
  static constexpr char digits[] = "0123456789abcdef";
  std::random_device random;
  std::string text;
  for (int i = 0; i < 3; ++i) {
    std::uint32_t v = random();
    for (int k = 0; k < 4; ++k, v >>= 4) text += digits[v & 0xF];
  }
  return text;
}

// Creates a file under `path` that did not exist before: never through a name that
// is already there, a symbolic link included. Null with errno set on failure
// (EEXIST when the name is taken).
FilePtr create_new_file(const std::string& path) {
#ifdef _WIN32
  const std::filesystem::path native = native_path(path);
  HANDLE h = CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    errno = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? EEXIST : EIO;
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    CloseHandle(h);
    errno = EEXIST;
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    errno = EIO;
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
  return FilePtr(file);
#else
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) ::close(fd);
  return FilePtr(file);
#endif
}

}  // namespace

namespace {

#ifdef _WIN32
// CON, PRN, AUX, NUL, COM1..9, LPT1..9 with any extension, and names under \\.\ (the devices).
bool windows_device_name(const std::filesystem::path& path) {
  const std::wstring text = path.wstring();
  if (text.starts_with(L"\\\\.\\")) return true;
  std::wstring stem = path.filename().wstring();
  stem = stem.substr(0, stem.find(L'.'));
  while (!stem.empty() && (stem.back() == L' ')) stem.pop_back();
  for (wchar_t& c : stem) c = static_cast<wchar_t>(std::towupper(c));
  if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" ||
      stem == L"CONOUT$")
    return true;
  return stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) && stem[3] >= L'1' &&
         stem[3] <= L'9';
}
#endif

std::string_view kind_text(std::filesystem::file_type type) {
  using Type = std::filesystem::file_type;
  switch (type) {
    case Type::directory:
      return "папка";
    case Type::fifo:
      return "канал";
    case Type::block:
    case Type::character:
      return "устройство";
    case Type::socket:
      return "сокет";
    default:
      return "не обычный файл";
  }
}

}  // namespace

std::string output_refusal(const std::string& path) {
  const std::filesystem::path native = native_path(path);
  std::filesystem::file_type type = std::filesystem::file_type::not_found;
#ifdef _WIN32
  if (windows_device_name(native)) type = std::filesystem::file_type::character;
#endif
  std::error_code ec;
  if (type == std::filesystem::file_type::not_found) type = std::filesystem::status(native, ec).type();
#ifndef _WIN32
  // /dev/stdout and its kind lead through /proc to whatever a process holds open: a
  // rename would replace the system's link, never write where the user meant.
  std::filesystem::path hop = native;
  for (int i = 0; i < 16 && std::filesystem::is_symlink(hop, ec); ++i) {
    hop = (hop.parent_path() / std::filesystem::read_symlink(hop, ec)).lexically_normal();
    if (!ec && hop.string().starts_with("/proc/")) type = std::filesystem::file_type::character;
  }
#endif
  if (type == std::filesystem::file_type::not_found || type == std::filesystem::file_type::regular) return {};
  if (type == std::filesystem::file_type::none || type == std::filesystem::file_type::unknown) {
    // Unreadable status: what lies there cannot be told, so it is not written over.
    return "Файл \"" + path + "\" не перезаписывается: не удалось узнать, что это за файл";
  }
  return "Файл \"" + path + "\" не перезаписывается: это " + std::string(kind_text(type)) + ", а не обычный файл";
}

std::string replace_file(const std::string& target, const FileWriter& write) {
  if (std::string refusal = output_refusal(target); !refusal.empty()) return refusal;
  const std::filesystem::path folder = native_path(target).parent_path();
  std::string temp;
  FilePtr file;
  if (!fails(FileOp::create)) {
    // A fresh name each try: whatever lies in the folder, planted or left by a
    // crash, is never opened, let alone written through.
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
      temp = utf8_text(folder / native_path(name_prefix(target) + "~" + random_part() + ".new"));
      file = create_new_file(temp);
      if (!file && errno != EEXIST) break;
    }
  }
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
  // A rename replaces the name itself: a link at the target goes, what it points to stays.
  if (!rename_file(temp, target)) {
    discard();
    return io_error_text(target, "не удалось заменить файл");
  }
  return {};
}

std::string replace_file(const std::string& target, std::span<const std::uint8_t> bytes) {
  return replace_file(target, [bytes](std::FILE* file) { return write_bytes(file, bytes); });
}

bool same_file(const std::string& a, const std::string& b) {
#ifdef _WIN32
  struct Identity {
    DWORD volume = 0, high = 0, low = 0;
  };
  const auto identity = [](const std::string& path, Identity& id) {
    const std::filesystem::path native = native_path(path);
    HANDLE h = CreateFileW(native.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return ok;
  };
  Identity first, second;
  return identity(a, first) && identity(b, second) && first.volume == second.volume && first.high == second.high &&
         first.low == second.low;
#else
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
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
