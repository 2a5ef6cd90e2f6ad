// A small writer of JSON documents for kalora-cli's --json outputs: numbers in their
// shortest form that reads back as the same double, missing values null.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kalora {

// Commas go before every value or key that follows another in its object or array.
class JsonWriter {
 public:
  std::string text;

  void key(std::string_view name);
  void open(char c);  // '{' or '['
  void close(char c);
  void number(std::optional<double> v);  // null when empty or not finite
  void integer(std::int64_t v);
  void boolean(std::optional<bool> v);
  void string(std::string_view s);  // UTF-8, escaped as JSON needs
  void null();

 private:
  void separate();
  void raw(std::string_view s);
  bool need_comma_ = false;
};

}  // namespace kalora
