// A --protocol file: one JSON object whose values are strings under the known keys.
// Read strictly, so a mistyped key or a number where a text belongs is told, not lost.
#include <cstdint>
#include <optional>

#include "protocol/particulars.h"

namespace kalora::protocol {

namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : s_(text) {}

  std::string error;

  void space() {
    while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r')) ++at_;
  }
  bool eat(char c) {
    space();
    if (at_ < s_.size() && s_[at_] == c) return ++at_, true;
    return false;
  }
  bool end() {
    space();
    return at_ == s_.size();
  }
  bool next_is_string() {
    space();
    return at_ < s_.size() && s_[at_] == '"';
  }

  // A string at the cursor (after its opening quote was seen), as UTF-8.
  std::optional<std::string> string() {
    ++at_;
    std::string out;
    while (at_ < s_.size()) {
      const auto c = static_cast<unsigned char>(s_[at_++]);
      if (c == '"') return out;
      if (c < 0x20) return fail("управляющий знак внутри строки");
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (at_ >= s_.size()) break;
      const char e = s_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          auto code = hex4();
          if (!code) return fail("неверная последовательность \\u");
          if (*code >= 0xD800 && *code <= 0xDBFF) {
            if (!(at_ + 1 < s_.size() && s_[at_] == '\\' && s_[at_ + 1] == 'u')) return fail("неполная пара \\u");
            at_ += 2;
            const auto low = hex4();
            if (!low || *low < 0xDC00 || *low > 0xDFFF) return fail("неполная пара \\u");
            code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
          } else if (*code >= 0xDC00 && *code <= 0xDFFF) {
            return fail("неполная пара \\u");
          }
          append_utf8(out, *code);
          break;
        }
        default:
          return fail("неверная последовательность \\" + std::string(1, e));
      }
    }
    return fail("строка не закрыта");
  }

 private:
  std::nullopt_t fail(std::string message) {
    if (error.empty()) error = std::move(message);
    return std::nullopt;
  }

  std::optional<std::uint32_t> hex4() {
    if (at_ + 4 > s_.size()) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[at_++];
      const int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<std::uint32_t>(d);
    }
    return v;
  }

  static void append_utf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  std::string_view s_;
  std::size_t at_ = 0;
};

// Every byte sequence a well-formed UTF-8 text.
bool valid_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80                        ? 1
                          : (c >> 5) == 0x6 && c >= 0xC2  ? 2
                          : (c >> 4) == 0xE               ? 3
                          : (c >> 3) == 0x1E && c <= 0xF4 ? 4
                                                          : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    if (n == 3) {
      const auto c1 = static_cast<unsigned char>(s[i + 1]);
      if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F)) return false;  // overlong, surrogates
    }
    if (n == 4) {
      const auto c1 = static_cast<unsigned char>(s[i + 1]);
      if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F)) return false;
    }
    i += n;
  }
  return true;
}

}  // namespace

ParticularsParse parse_particulars_json(std::string_view text) {
  ParticularsParse out;
  const auto fail = [&](std::string message) {
    out.particulars = {};
    out.error = std::move(message);
    return out;
  };
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark some editors write
  if (!valid_utf8(text)) return fail("файл не в кодировке UTF-8");
  Reader r(text);
  if (!r.eat('{')) return fail("файл не объект JSON");
  std::array<bool, fields.size()> seen{};
  if (!r.eat('}')) {
    do {
      if (!r.next_is_string()) return fail(r.error.empty() ? "ожидался ключ в кавычках" : r.error);
      const auto key = r.string();
      if (!key) return fail(r.error);
      const std::size_t i = field_index(*key);
      if (i == fields.size()) return fail("неизвестный ключ «" + *key + "»");
      if (seen[i]) return fail("ключ «" + *key + "» повторяется");
      seen[i] = true;
      if (!r.eat(':')) return fail("после ключа «" + *key + "» нет двоеточия");
      if (!r.next_is_string()) return fail("значение ключа «" + *key + "» не строка");
      auto value = r.string();
      if (!value) return fail(r.error);
      out.particulars.values[i] = std::move(*value);
    } while (r.eat(','));
    if (!r.eat('}')) return fail("файл не объект JSON");
  }
  if (!r.end()) return fail("после объекта JSON есть ещё текст");
  return out;
}

}  // namespace kalora::protocol
