// The program's file layer: whole-file reading into a caller's buffer, the
// writing steps every saved file goes through, and the failures a user is told about.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kalora {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// File names are UTF-8 strings throughout the program; these make the system's path
// of one (UTF-16 on Windows) and give a path's text back.
std::filesystem::path native_path(const std::string& utf8_path);
std::string utf8_text(const std::filesystem::path& path);

// The name a C library's plain fopen opens an existing file or folder by: its UTF-8
// text; on Windows, where fopen reads names in the ANSI code page, that code page's
// text, or the short (8.3) name where the code page lacks one of the name's letters.
// Empty when neither can name it.
std::string narrow_name(const std::filesystem::path& path);

// Removes one of the program's own files, if it is there; errors are ignored. A folder
// of that name is someone else's and stays.
void remove_quietly(const std::string& utf8_path);

// fopen for a UTF-8 path on every platform. A mode that writes counts as a create
// for the fault hook below.
FilePtr open_file(const std::string& utf8_path, const char* mode);

// The length of an open file; empty when the system cannot tell.
std::optional<std::uint64_t> length_of(std::FILE* file);

// Moves to `offset` from the file's start, past 2 GiB too; false on failure.
bool seek_file(std::FILE* file, std::uint64_t offset);

// The steps of writing a file. Each returns false on failure, with errno set.
bool write_bytes(std::FILE* file, std::span<const std::uint8_t> bytes);
// The buffered bytes handed to the system and forced to the disk.
bool flush_to_disk(std::FILE* file);
// Closes the file; false when its last buffered bytes did not reach it.
bool close_file(FilePtr& file);
// Gives `from` the name `to`, replacing a file of that name, and forces the folder
// to the disk so the new name survives a power cut.
bool rename_file(const std::string& from, const std::string& to);

// The one way the program replaces a file. `write` fills a new file beside the
// target, created exclusively under a fresh name (the start of the target's name,
// "~", a random part, ".new"; never through a name already there, a link included);
// it is then forced to the disk, renamed over the target and the folder forced to
// the disk (Windows: FlushFileBuffers, then MoveFileEx with MOVEFILE_REPLACE_EXISTING
// | MOVEFILE_WRITE_THROUGH). The rename replaces the target's name itself: a link
// there is replaced, never the file it points to. At every moment, a crash included,
// the target is the old file or the new one, whole.
// Returns an empty string on success, else the user's message. On failure, or when
// `write` returns false or throws (the exception goes on), the new file is removed
// and the target is left as it was.
// A target that is there and is not a regular file (a folder, a FIFO, a device, a
// socket; a link is judged by what it leads to) is refused with output_refusal's
// message and left as it was.
using FileWriter = std::function<bool(std::FILE* file)>;
std::string replace_file(const std::string& target, const FileWriter& write);
std::string replace_file(const std::string& target, std::span<const std::uint8_t> bytes);

// Why `path` cannot be an output the program replaces: empty when nothing is there
// or it is a regular file (also through links, and a link leading nowhere); else the
// user's message naming it and what it is. On Windows the system's device names
// (NUL, CON, COM1, \\.\…) count as devices.
std::string output_refusal(const std::string& path);

// Test seam: every create, write, flush, close and rename of the program's files
// (these routines and the table files) asks the hook first; the flush of a folder
// after a rename does not. It answers 0 to go
// ahead or an errno value to fail with; a write failing with ENOSPC stores part of
// its bytes first, as a disk that runs full does. No hook is set in the program.
enum class FileOp { create, write, flush, close, rename };
using FileFaultHook = std::function<int(FileOp)>;
void set_file_fault_hook(FileFaultHook hook);
// The hook's answer for one operation (0 when no hook is set).
int injected_file_fault(FileOp op);

struct ReadResult {
  bool ok = false;
  std::uintmax_t file_size = 0;  // the file's length, also when it is larger than the buffer
  std::size_t bytes_read = 0;
  std::string error;  // the user's message when !ok
};

// Reads the file into the front of `into`. A file longer than `into` is refused
// (nothing is read) unless `allow_longer`; bytes of `into` past the file's end are
// left as they were.
ReadResult read_file_into(const std::string& path, std::span<std::uint8_t> into, bool allow_longer = false);

// Whether both names lead to one existing file (links followed): the same device
// and inode, on Windows the same volume and file index.
bool same_file(const std::string& a, const std::string& b);

// The user's message for a file that could not be read or written.
std::string io_error_text(const std::string& path, std::string_view what);

}  // namespace kalora
