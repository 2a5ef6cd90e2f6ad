// Makes the n-th file operation of the program fail (a write as a full disk does,
// with part of its bytes stored), or only counts them.
#pragma once

#include <cerrno>
#include <optional>

#include "core/file_io.h"

namespace kalora::test {

class FaultPlan {
 public:
  // fail_at 0 only counts.
  explicit FaultPlan(int fail_at) : fail_at_(fail_at) {
    set_file_fault_hook([this](FileOp op) {
      if (++seen_ != fail_at_) return 0;
      failed_ = op;
      return op == FileOp::write ? ENOSPC : EIO;
    });
  }
  ~FaultPlan() { set_file_fault_hook({}); }
  FaultPlan(const FaultPlan&) = delete;
  FaultPlan& operator=(const FaultPlan&) = delete;

  int seen() const { return seen_; }
  std::optional<FileOp> failed() const { return failed_; }

 private:
  int fail_at_;
  int seen_ = 0;
  std::optional<FileOp> failed_;
};

inline const char* op_name(FileOp op) {
  switch (op) {
    case FileOp::create:
      return "create";
    case FileOp::write:
      return "write";
    case FileOp::flush:
      return "flush";
    case FileOp::close:
      return "close";
    case FileOp::rename:
      return "rename";
  }
  return "?";
}

}  // namespace kalora::test
