// A table file held for exclusive use while its table is open: a second open, from
// this process or another, fails; others may still read it. The only platform calls of the table engine.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace kalora::db {

// An input/output failure of a table file; what() is the user's message.
class DbfError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class LockedFile {
 public:
  LockedFile() = default;
  ~LockedFile();
  LockedFile(LockedFile&& other) noexcept;
  LockedFile& operator=(LockedFile&& other) noexcept;
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  // Opens (or with `create`, creates and empties) the file and locks it. Throws
  // DbfError when it is missing, unreadable or held by someone else; a file held by
  // someone else is never emptied.
  static LockedFile open(const std::string& path, bool create);

  // A file that lives only in memory: it holds `bytes`, takes every write and never
  // touches the disk. For reading a stored table without creating anything.
  static LockedFile in_memory(std::vector<std::uint8_t> bytes);
  bool is_in_memory() const { return in_memory_; }

  bool is_open() const;
  std::vector<std::uint8_t> read_all() const;
  // The whole file: the held bytes themselves when it lives in memory (a stored table
  // is not copied again), else read into `storage`.
  std::span<const std::uint8_t> view_all(std::vector<std::uint8_t>& storage) const;
  void write_at(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  void truncate(std::uint64_t length);
  void sync();
  // The same without the fault hook and without throwing; false when it failed.
  bool sync_quietly() noexcept;
  void close() noexcept;

  // Puts `bytes` in place of the file at `path`: they are written completely to a
  // file beside it first, which then replaces it, so a failure leaves the old file
  // whole. The handle then holds (and locks) the new file.
  void replace_contents(const std::string& path, std::span<const std::uint8_t> bytes);

 private:
  void empty_or_remove();

#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  std::string path_;
  bool in_memory_ = false;
  std::vector<std::uint8_t> memory_;
};

}  // namespace kalora::db
