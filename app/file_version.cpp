#include "app/file_version.h"

#include <cstdio>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "app/version_record.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kalora::app {

namespace {

constexpr std::string_view no_version = "0.0.0.0";

std::string hex4(unsigned word) {
  char text[5];
  std::snprintf(text, sizeof text, "%04X", word & 0xFFFFu);
  return text;
}

// The two queries of a version record: the translation table names the string
// table that holds "FileVersion".
template <typename Query>
std::string query_file_version(const Query& query) {
  std::string table;
  if (const auto translation = query(std::string(version_record::translation_key));
      translation && translation->size() > 3) {
    const auto& t = *translation;
    table = hex4(t[0] | t[1] << 8) + hex4(t[2] | t[3] << 8);
  }
  const auto version = query("\\StringFileInfo\\" + table + "\\FileVersion");
  if (!version || version->size() < 2) return std::string(no_version);
  std::string text(version->begin(), version->end());
  if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
  return text;
}

}  // namespace

#ifdef _WIN32

std::string get_file_version(const std::string& path) {
  const int wide_len = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_len > 0 ? wide_len : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), wide_len);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &handle);
  if (size == 0) return std::string(no_version);
  std::vector<unsigned char> block(size + 1);  // freed on every path
  if (!GetFileVersionInfoW(wide.c_str(), 0, size, block.data())) return std::string(no_version);
  const auto query = [&](const std::string& key) -> std::optional<std::vector<unsigned char>> {
    const int n = MultiByteToWideChar(CP_UTF8, 0, key.c_str(), -1, nullptr, 0);
    std::wstring wkey(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, key.c_str(), -1, wkey.data(), n);
    void* value = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block.data(), wkey.c_str(), &value, &len) || !value) return std::nullopt;
    if (key == version_record::translation_key) {
      const auto* b = static_cast<const unsigned char*>(value);
      return std::vector<unsigned char>(b, b + len);
    }
    // Strings come back as UTF-16 characters, the length counting the terminator.
    const std::wstring_view w(static_cast<const wchar_t*>(value), len);
    const int u8len =
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::vector<unsigned char> out(static_cast<std::size_t>(u8len));
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), reinterpret_cast<char*>(out.data()), u8len,
                        nullptr, nullptr);
    return out;
  };
  return query_file_version(query);
}

#else

std::string get_file_version(const std::string& path) {
  return file_version_from_record(version_record::read_elf_section(path));
}

#endif

std::string file_version_from_record(std::span<const unsigned char> record) {
  const auto query = [&](const std::string& key) { return version_record::find(record, key); };
  return query_file_version(query);
}

}  // namespace kalora::app
