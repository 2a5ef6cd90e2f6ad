// Runs one of our programs and collects its exit code and output.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include <cstdio>
#include <string>
#include <vector>

#include "support/temp_dir.h"

// Checks that read our files back with a tool of the Linux system (python3 with
// xlrd or dbfread, pdftotext) cannot run under Windows: there the test says so and
// is skipped.
#ifdef _WIN32
#define KALORA_NEEDS_LINUX_TOOL(tool) GTEST_SKIP() << "needs the Linux " tool ", which Windows has not"
#else
#define KALORA_NEEDS_LINUX_TOOL(tool) static_cast<void>(0)
#endif

namespace kalora::test {

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

#ifdef _WIN32

inline std::wstring widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

// One argument as CommandLineToArgvW reads it back: quoted, with the backslashes
// before a quote doubled.
inline std::wstring quote_argument(const std::wstring& arg) {
  std::wstring q = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    q.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    q += c;
  }
  q.append(2 * backslashes, L'\\');
  return q + L"\"";
}

inline HANDLE inheritable_file(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(widen(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline int run_and_wait(const std::string& program, const std::vector<std::string>& args, const std::string& out,
                        const std::string& err) {
  std::wstring command = quote_argument(widen(program));
  for (const auto& a : args) command += L" " + quote_argument(widen(a));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inheritable_file("NUL", false);
  startup.hStdOutput = inheritable_file(out, true);
  startup.hStdError = inheritable_file(err, true);
  PROCESS_INFORMATION child{};
  const bool started =
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child);
  for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  if (!started) return -1;
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(child.hProcess, &code);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return static_cast<int>(code);
}

#else

inline std::string shell_quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline int run_and_wait(const std::string& program, const std::vector<std::string>& args, const std::string& out,
                        const std::string& err) {
  std::string command = shell_quote(program);
  for (const auto& a : args) command += " " + shell_quote(a);
  command += " >" + shell_quote(out) + " 2>" + shell_quote(err) + " </dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

inline RunResult run_program(const std::string& program, const std::vector<std::string>& args) {
  TempDir dir;
  RunResult r;
  r.exit_code = run_and_wait(program, args, dir.file("out"), dir.file("err"));
  const auto out = read_bytes(dir.file("out"));
  const auto err = read_bytes(dir.file("err"));
  r.out.assign(out.begin(), out.end());
  r.err.assign(err.begin(), err.end());
  return r;
}

}  // namespace kalora::test
