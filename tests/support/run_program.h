// Runs one of our programs and collects its exit code and output.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "support/temp_dir.h"

// Checks that read our files back with a tool of the Linux system (python3 with
// xlrd or dbfread, pdftotext) run on Linux and under Wine, which starts the machine's
// Linux programs; on Windows itself the test says so and is skipped.
#ifdef _WIN32
#define KALORA_NEEDS_LINUX_TOOL(tool)                                                                     \
  do {                                                                                                    \
    if (!::kalora::test::under_wine()) GTEST_SKIP() << "needs the Linux " tool ", which Windows has not"; \
  } while (false)
#else
#define KALORA_NEEDS_LINUX_TOOL(tool) static_cast<void>(0)
#endif

// LibreOffice is a Linux program here, and Wine hands it Windows paths it cannot open; the
// writers are the same code on both systems, so the Linux build's run of the test covers them.
#if defined(_WIN32)
#define KALORA_NEEDS_LIBREOFFICE() GTEST_SKIP() << "LibreOffice is checked with the Linux build"
#else
#define KALORA_NEEDS_LIBREOFFICE()                                                                       \
  do {                                                                                                   \
    if (::kalora::test::run_program("/bin/sh", {"-c", "command -v soffice"}).exit_code != 0)              \
      GTEST_SKIP() << "LibreOffice (soffice) is not installed";                                          \
  } while (false)
#endif

// kalora-cli writes PDF only where it is built with Qt: the Windows build without the
// static Qt of `make qt-windows` is not.
#if defined(_WIN32) && !defined(KALORA_CLI_PDF)
#define KALORA_NEEDS_CLI_PDF() GTEST_SKIP() << "kalora-cli.exe is built without Qt here, so without PDF output"
#else
#define KALORA_NEEDS_CLI_PDF() static_cast<void>(0)
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

// Wine's own call that names a Windows path as this machine's Linux path; absent on Windows.
using UnixNameOf = char*(CDECL*)(LPCWSTR);
inline UnixNameOf wine_unix_name() {
  static const auto call = reinterpret_cast<UnixNameOf>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  return call;
}

inline bool under_wine() { return wine_unix_name() != nullptr; }

inline bool windows_absolute(const std::string& path) {
  return path.size() > 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path[2] == '\\' || path[2] == '/');
}

inline std::string unix_path(const std::string& path) {
  char* name = wine_unix_name()(widen(path).c_str());
  if (!name) return path;
  std::string unix_name(name);
  HeapFree(GetProcessHeap(), 0, name);
  return unix_name;
}

// Under Wine a Linux tool ("pdftotext" or "/usr/bin/python3") is started by its Z: path
// and given the files it reads as Linux paths; our own programs are left as they are.
inline bool linux_tool_under_wine(const std::string& program) { return under_wine() && !program.ends_with(".exe"); }

inline std::vector<std::string> linux_command(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> command{program.starts_with('/') ? program : "/usr/bin/" + program};
  for (const auto& a : args) command.push_back(windows_absolute(a) ? unix_path(a) : a);
  return command;
}

inline HANDLE inheritable_file(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(widen(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline int start_and_wait(const std::string& program, const std::vector<std::string>& args, const std::string& out,
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

// Wine does not wait for a Linux program it starts: a shell runs the tool and leaves its
// exit code in a file, which is waited for.
inline int run_under_wine(const std::string& program, const std::vector<std::string>& args, const std::string& out,
                          const std::string& err) {
  const std::string status = out + ".status";
  std::vector<std::string> shell{
      "-c", "\"$0\" \"$@\" >\"$OUT\" 2>\"$ERR\" </dev/null; echo $? >\"$STATUS.tmp\"; mv \"$STATUS.tmp\" \"$STATUS\""};
  const auto command = linux_command(program, args);
  shell.insert(shell.end(), command.begin(), command.end());
  std::vector<std::string> with_files{"OUT=" + unix_path(out), "ERR=" + unix_path(err), "STATUS=" + unix_path(status),
                                      "/bin/sh"};
  with_files.insert(with_files.end(), shell.begin(), shell.end());
  if (start_and_wait("Z:\\usr\\bin\\env", with_files, "NUL", "NUL") == -1) return -1;
  for (int waited_ms = 0; waited_ms < 600000; waited_ms += 20) {
    if (std::FILE* f = std::fopen(status.c_str(), "rb")) {
      int code = -1;
      if (std::fscanf(f, "%d", &code) != 1) code = -1;
      std::fclose(f);
      std::remove(status.c_str());
      return code;
    }
    Sleep(20);
  }
  return -1;
}

inline int run_and_wait(const std::string& program, const std::vector<std::string>& args, const std::string& out,
                        const std::string& err) {
  return linux_tool_under_wine(program) ? run_under_wine(program, args, out, err)
                                        : start_and_wait(program, args, out, err);
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
