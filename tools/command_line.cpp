#include "tools/command_line.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>

#include "core/file_io.h"
#include "tools/exit_codes.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <cstdio>
#endif

namespace kalora {

ForcedArgs without_force(std::span<const std::string> args) {
  ForcedArgs forced;
  for (const std::string& a : args) {
    if (a == "--force") {
      forced.force = true;
    } else {
      forced.rest.push_back(a);
    }
  }
  return forced;
}

bool plain_output(const std::string& path) {
  const std::string refusal = output_refusal(path);
  if (!refusal.empty()) std::cerr << refusal << '\n';
  return refusal.empty();
}

bool may_write(const std::string& path, bool force) {
  std::error_code ec;
  // A link there, even one that leads nowhere, is something the user has put there.
  if (force || !std::filesystem::exists(std::filesystem::symlink_status(std::filesystem::u8path(path), ec)))
    return true;
  std::cerr << "Файл " << path << " уже существует; чтобы заменить его, добавьте --force\n";
  return false;
}

bool has_extension(const std::string& path, std::string_view extension) {
  if (path.size() <= extension.size()) return false;
  std::string end = path.substr(path.size() - extension.size());
  std::transform(end.begin(), end.end(), end.begin(), [](unsigned char c) { return std::tolower(c); });
  return end == extension;
}

int usage_of(std::string_view usage) {
  std::cerr << "usage: kalora-cli " << usage << '\n';
  return exit_usage_or_io;
}

#ifdef _WIN32

namespace {

std::string narrow(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string utf8(static_cast<std::size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace

std::vector<std::string> utf8_arguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide != nullptr && i < count; ++i) args.push_back(narrow(wide[i]));
  LocalFree(wide);
  return args;
}

void use_utf8_binary_console() {
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

#else

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

void use_utf8_binary_console() {}

#endif

}  // namespace kalora
