// A fresh folder for one test, removed with everything in it at the end.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace kalora::test {

// Paths in tests are UTF-8 strings, as in the program; on Windows they reach the
// system through the wide API.
inline std::filesystem::path utf8_path(const std::string& s) {
  return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

inline std::string utf8_string(const std::filesystem::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("kalora-test-" + std::to_string(rd()) + std::to_string(rd()));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempDir() {
    // Under Wine a program that has just ended may hold its files for a moment more.
    for (int attempt = 0; attempt < 50; ++attempt) {
      std::error_code ec;
      std::filesystem::remove_all(path_, ec);
      if (!ec || !std::filesystem::exists(path_, ec)) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return utf8_string(path_ / utf8_path(name)); }

 private:
  std::filesystem::path path_;
};

inline void write_bytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(utf8_path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<unsigned char> read_bytes(const std::string& path) {
  std::ifstream in(utf8_path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kalora::test
