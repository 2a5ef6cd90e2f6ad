// Runs one of our programs and collects its exit code and output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace kalora::test {

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

inline std::string shell_quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline RunResult run_program(const std::string& program, const std::vector<std::string>& args) {
  TempDir dir;
  std::string command = shell_quote(program);
  for (const auto& a : args) command += " " + shell_quote(a);
  command += " >" + shell_quote(dir.file("out")) + " 2>" + shell_quote(dir.file("err")) + " </dev/null";
  RunResult r;
  const int status = std::system(command.c_str());
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const auto out = read_bytes(dir.file("out"));
  const auto err = read_bytes(dir.file("err"));
  r.out.assign(out.begin(), out.end());
  r.err.assign(err.begin(), err.end());
  return r;
}

}  // namespace kalora::test
