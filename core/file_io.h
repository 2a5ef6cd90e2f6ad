// Whole-file reading into a caller's buffer, with the failures a user is told about.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace kalora {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen for a UTF-8 path on every platform.
FilePtr open_file(const std::string& utf8_path, const char* mode);

struct ReadResult {
  bool ok = false;
  std::uintmax_t file_size = 0;  // the file's length, also when it is larger than the buffer
  std::size_t bytes_read = 0;
  std::string error;             // the user's message when !ok
};

// Reads the file into the front of `into`. A file longer than `into` is refused
// (nothing is read) unless `allow_longer`; bytes of `into` past the file's end are
// left as they were.
ReadResult read_file_into(const std::string& path, std::span<std::uint8_t> into, bool allow_longer = false);

// The user's message for a file that could not be read or written.
std::string io_error_text(const std::string& path, std::string_view what);

}  // namespace kalora
