// The lock of a database: whoever changes it, from reading its container to the
// rename of the new one (the desktop program for as long as the database is open),
// holds it exclusively. Readers take no lock: they read one consistent container.
#pragma once

#include <chrono>
#include <string>

namespace kalora::db {

// The lock file beside the database: "<name>.lock". It lives only while the lock is
// held and goes with it.
std::string lock_file_of(const std::string& db_name);

class DatabaseLock {
 public:
  DatabaseLock() = default;
  ~DatabaseLock();
  DatabaseLock(DatabaseLock&& other) noexcept;
  DatabaseLock& operator=(DatabaseLock&& other) noexcept;
  DatabaseLock(const DatabaseLock&) = delete;
  DatabaseLock& operator=(const DatabaseLock&) = delete;

  enum class Outcome { taken, held_by_other, failed };
  // Takes the lock of `db_name`, waiting at most the lock wait for another holder to
  // let go; a lock this one already holds on that name is kept.
  Outcome take(const std::string& db_name);
  void release() noexcept;
  bool holds(const std::string& db_name) const { return held() && db_name_ == db_name; }

 private:
  bool held() const;
  Outcome try_once();

#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  std::string db_name_;
};

// How long a second writer waits for the first before it gives up (3 s in the
// program). Test seam.
void set_database_lock_wait(std::chrono::milliseconds wait);

}  // namespace kalora::db
