#include "db/locked_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "core/file_io.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kalora::db {

namespace {

[[noreturn]] void fail(const std::string& path, std::string_view what) {
  throw DbfError("Ошибка ввода-вывода: " + std::string(what) + " \"" + path + "\"");
}

// The test seam of the file layer; a failing write may store part of its bytes first.
template <typename WritePart>
void fail_if_injected(FileOp op, const std::string& path, std::span<const std::uint8_t> bytes, WritePart write_part) {
  const int error = injected_file_fault(op);
  if (error == 0) return;
  if (error == ENOSPC && bytes.size() > 1) write_part(bytes.first(bytes.size() / 2));
  fail(path, op == FileOp::create ? "не удалось открыть файл" : "не удалось записать файл");
}

}  // namespace

void LockedFile::empty_or_remove() {
  try {
    truncate(0);
  } catch (const DbfError&) {
    // The lock is ours, so is the file: it goes rather than stay half emptied.
    close();
    std::error_code ec;
    std::filesystem::remove(std::filesystem::u8path(path_), ec);
    throw;
  }
}

LockedFile::LockedFile(LockedFile&& other) noexcept { *this = std::move(other); }

LockedFile LockedFile::in_memory(std::vector<std::uint8_t> bytes) {
  LockedFile file;
  file.in_memory_ = true;
  file.memory_ = std::move(bytes);
  return file;
}

LockedFile::~LockedFile() { close(); }

std::span<const std::uint8_t> LockedFile::view_all(std::vector<std::uint8_t>& storage) const {
  if (in_memory_) return memory_;
  storage = read_all();
  return storage;
}

#ifdef _WIN32

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, nullptr);
    path_ = std::move(other.path_);
    in_memory_ = std::exchange(other.in_memory_, false);
    memory_ = std::move(other.memory_);
  }
  return *this;
}

LockedFile LockedFile::open(const std::string& path, bool create) {
  LockedFile file;
  if (create) fail_if_injected(FileOp::create, path, {}, [](auto) {});
  const std::filesystem::path native = std::filesystem::u8path(path);
  // Others may read, as on Linux, where the lock binds only writers; a second open
  // for writing, from this process or another, is refused by the sharing mode.
  // A link planted at the name is opened as itself and refused, never followed.
  HANDLE h =
      CreateFileW(native.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                  create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    fail(path, GetLastError() == ERROR_SHARING_VIOLATION ? "файл занят другой программой" : "не удалось открыть файл");
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    CloseHandle(h);
    fail(path, "это ссылка, а не файл:");
  }
  file.handle_ = h;
  file.path_ = path;
  if (create) file.empty_or_remove();
  return file;
}

bool LockedFile::is_open() const { return handle_ != nullptr || in_memory_; }

std::vector<std::uint8_t> LockedFile::read_all() const {
  if (in_memory_) return memory_;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle_, &size)) fail(path_, "не удалось прочитать файл");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(done);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(done) >> 32);
    DWORD got = 0;
    if (!ReadFile(handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, &at) || got == 0) {
      fail(path_, "не удалось прочитать файл");
    }
    done += got;
  }
  return bytes;
}

void LockedFile::write_at(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (in_memory_) {
    if (memory_.size() < offset + bytes.size()) memory_.resize(static_cast<std::size_t>(offset + bytes.size()));
    std::copy(bytes.begin(), bytes.end(), memory_.begin() + static_cast<std::ptrdiff_t>(offset));
    return;
  }
  fail_if_injected(FileOp::write, path_, bytes, [&](std::span<const std::uint8_t> part) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD put = 0;
    WriteFile(handle_, part.data(), static_cast<DWORD>(part.size()), &put, &at);
  });
  std::size_t done = 0;
  while (done < bytes.size()) {
    OVERLAPPED at{};
    const std::uint64_t pos = offset + done;
    at.Offset = static_cast<DWORD>(pos);
    at.OffsetHigh = static_cast<DWORD>(pos >> 32);
    DWORD put = 0;
    if (!WriteFile(handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &put, &at) || put == 0) {
      fail(path_, "не удалось записать файл");
    }
    done += put;
  }
}

void LockedFile::truncate(std::uint64_t length) {
  if (in_memory_) {
    memory_.resize(static_cast<std::size_t>(length));
    return;
  }
  fail_if_injected(FileOp::write, path_, {}, [](auto) {});
  LARGE_INTEGER pos{};
  pos.QuadPart = static_cast<LONGLONG>(length);
  if (!SetFilePointerEx(handle_, pos, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) {
    fail(path_, "не удалось записать файл");
  }
}

void LockedFile::sync() {
  if (in_memory_) return;
  fail_if_injected(FileOp::flush, path_, {}, [](auto) {});
  if (!sync_quietly()) fail(path_, "не удалось записать файл");
}

bool LockedFile::sync_quietly() noexcept { return in_memory_ || (handle_ != nullptr && FlushFileBuffers(handle_)); }

void LockedFile::close() noexcept {
  in_memory_ = false;
  memory_.clear();
  if (handle_ != nullptr) CloseHandle(handle_);
  handle_ = nullptr;
}

void LockedFile::replace_contents(const std::string& path, std::span<const std::uint8_t> bytes) {
  if (in_memory_) {
    memory_.assign(bytes.begin(), bytes.end());
    return;
  }
  const std::string error = replace_file(path, [&](std::FILE* file) {
    if (!write_bytes(file, bytes)) return false;
    close();  // Windows cannot rename over a file that is open, so the lock lapses for a moment
    return true;
  });
  if (!is_open()) *this = open(path, false);
  if (!error.empty()) throw DbfError(error);
}

#else

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    in_memory_ = std::exchange(other.in_memory_, false);
    memory_ = std::move(other.memory_);
  }
  return *this;
}

LockedFile LockedFile::open(const std::string& path, bool create) {
  LockedFile file;
  if (create) fail_if_injected(FileOp::create, path, {}, [](auto) {});
  // Never O_TRUNC here: a file someone else holds must stay as it is.
  // A link planted at the name is refused, never followed.
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0644);
  if (fd < 0) fail(path, errno == ELOOP ? "это ссылка, а не файл:" : "не удалось открыть файл");
  file.fd_ = fd;
  file.path_ = path;
  // flock, unlike fcntl locks, also refuses a second open from this very process.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) fail(path, "файл занят другой программой");
  if (create) file.empty_or_remove();
  return file;
}

bool LockedFile::is_open() const { return fd_ >= 0 || in_memory_; }

std::vector<std::uint8_t> LockedFile::read_all() const {
  if (in_memory_) return memory_;
  struct stat info {};
  if (::fstat(fd_, &info) != 0) fail(path_, "не удалось прочитать файл");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::pread(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) fail(path_, "не удалось прочитать файл");
    done += static_cast<std::size_t>(got);
  }
  return bytes;
}

void LockedFile::write_at(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (in_memory_) {
    if (memory_.size() < offset + bytes.size()) memory_.resize(static_cast<std::size_t>(offset + bytes.size()));
    std::copy(bytes.begin(), bytes.end(), memory_.begin() + static_cast<std::ptrdiff_t>(offset));
    return;
  }
  fail_if_injected(FileOp::write, path_, bytes, [&](std::span<const std::uint8_t> part) {
    [[maybe_unused]] const ssize_t put = ::pwrite(fd_, part.data(), part.size(), static_cast<off_t>(offset));
  });
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) fail(path_, "не удалось записать файл");
    done += static_cast<std::size_t>(put);
  }
}

void LockedFile::truncate(std::uint64_t length) {
  if (in_memory_) {
    memory_.resize(static_cast<std::size_t>(length));
    return;
  }
  fail_if_injected(FileOp::write, path_, {}, [](auto) {});
  if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) fail(path_, "не удалось записать файл");
}

void LockedFile::sync() {
  if (in_memory_) return;
  fail_if_injected(FileOp::flush, path_, {}, [](auto) {});
  if (!sync_quietly()) fail(path_, "не удалось записать файл");
}

bool LockedFile::sync_quietly() noexcept { return in_memory_ || (fd_ >= 0 && ::fsync(fd_) == 0); }

void LockedFile::close() noexcept {
  in_memory_ = false;
  memory_.clear();
  if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the lock
  fd_ = -1;
}

void LockedFile::replace_contents(const std::string& path, std::span<const std::uint8_t> bytes) {
  if (in_memory_) {
    memory_.assign(bytes.begin(), bytes.end());
    return;
  }
  int fresh = -1;
  const std::string error = replace_file(path, [&](std::FILE* file) {
    // The new file is locked before it takes the name, so nobody slips in between;
    // the duplicate keeps the lock once the file layer has closed its own handle.
    fresh = ::fcntl(::fileno(file), F_DUPFD_CLOEXEC, 0);
    return fresh >= 0 && ::flock(fresh, LOCK_EX | LOCK_NB) == 0 && write_bytes(file, bytes);
  });
  if (!error.empty()) {
    if (fresh >= 0) ::close(fresh);
    throw DbfError(error);
  }
  close();
  fd_ = fresh;
  path_ = path;
}

#endif

}  // namespace kalora::db
