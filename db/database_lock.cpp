#include "db/database_lock.h"

#include "db/beside_name.h"

#include <cerrno>
#include <filesystem>
#include <thread>
#include <utility>

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

std::chrono::milliseconds& lock_wait() {
  static std::chrono::milliseconds wait{3000};
  return wait;
}

constexpr std::chrono::milliseconds retry_step{25};

}  // namespace

void set_database_lock_wait(std::chrono::milliseconds wait) { lock_wait() = wait; }

std::string lock_file_of(const std::string& db_name) { return beside_name(db_name, ".lock"); }

DatabaseLock::~DatabaseLock() { release(); }

DatabaseLock::DatabaseLock(DatabaseLock&& other) noexcept { *this = std::move(other); }

DatabaseLock::Outcome DatabaseLock::take(const std::string& db_name) {
  if (holds(db_name)) return Outcome::taken;
  release();
  db_name_ = db_name;
  const auto deadline = std::chrono::steady_clock::now() + lock_wait();
  for (;;) {
    const Outcome outcome = try_once();
    if (outcome != Outcome::held_by_other || std::chrono::steady_clock::now() >= deadline) {
      if (outcome != Outcome::taken) db_name_.clear();
      return outcome;
    }
    std::this_thread::sleep_for(retry_step);
  }
}

#ifdef _WIN32

DatabaseLock& DatabaseLock::operator=(DatabaseLock&& other) noexcept {
  if (this != &other) {
    release();
    handle_ = std::exchange(other.handle_, nullptr);
    db_name_ = std::move(other.db_name_);
  }
  return *this;
}

bool DatabaseLock::held() const { return handle_ != nullptr; }

DatabaseLock::Outcome DatabaseLock::try_once() {
  // No sharing: a second open of the lock file, from any process, fails until this
  // handle is closed, and closing it removes the file.
  const std::filesystem::path path = std::filesystem::u8path(lock_file_of(db_name_));
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ? Outcome::held_by_other : Outcome::failed;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    CloseHandle(h);
    return Outcome::failed;
  }
  handle_ = h;
  return Outcome::taken;
}

void DatabaseLock::release() noexcept {
  if (handle_ != nullptr) CloseHandle(handle_);
  handle_ = nullptr;
  db_name_.clear();
}

#else

DatabaseLock& DatabaseLock::operator=(DatabaseLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
    db_name_ = std::move(other.db_name_);
  }
  return *this;
}

bool DatabaseLock::held() const { return fd_ >= 0; }

DatabaseLock::Outcome DatabaseLock::try_once() {
  const std::string path = lock_file_of(db_name_);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return Outcome::failed;
  // flock, unlike fcntl locks, also binds a second holder inside this process.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? Outcome::held_by_other : Outcome::failed;
  }
  // The holder before us removes the file as it lets go: the lock counts only when
  // the locked file is still the one under that name.
  struct stat locked {
  }, named{};
  if (::fstat(fd, &locked) != 0 || ::lstat(path.c_str(), &named) != 0 || locked.st_dev != named.st_dev ||
      locked.st_ino != named.st_ino || !S_ISREG(locked.st_mode)) {
    ::close(fd);
    return S_ISREG(locked.st_mode) ? Outcome::held_by_other : Outcome::failed;
  }
  fd_ = fd;
  return Outcome::taken;
}

void DatabaseLock::release() noexcept {
  if (fd_ >= 0) {
    // Removed while still locked, so nobody takes a lock on a file about to vanish.
    ::unlink(lock_file_of(db_name_).c_str());
    ::close(fd_);
  }
  fd_ = -1;
  db_name_.clear();
}

#endif

}  // namespace kalora::db
