// The particulars of a --protocol file: read strictly, every refusal naming what is wrong.
#include <gtest/gtest.h>

#include "protocol/particulars.h"

namespace kalora::protocol {
namespace {

TEST(Particulars, JsonObjectOfKnownStringKeysOnly) {
  struct Case {
    std::string text;
    std::string error;       // empty when it reads
    std::string key, value;  // one value read, when it reads
  };
  const Case cases[] = {
      {"{}", "", "customer", ""},
      {"\xEF\xBB\xBF { \"customer\" : \"ООО \\\"Дом\\\"\", \"operator\": \"Петров\" }\n", "", "customer",
       "ООО \"Дом\""},
      {R"({"object": "Ж/д \u0441\u0442\u0430\u043d\u0446\u0438\u044f \ud83c\udfe0\t№1"})", "", "object",
       "Ж/д станция 🏠\t№1"},
      {R"({"protocol_number": "12", "objekt": "дом"})", "неизвестный ключ «objekt»", "", ""},
      {R"({"customer": 12})", "значение ключа «customer» не строка", "", ""},
      {R"({"customer": null})", "значение ключа «customer» не строка", "", ""},
      {R"({"customer": "a", "customer": "b"})", "ключ «customer» повторяется", "", ""},
      {R"(["customer", "a"])", "файл не объект JSON", "", ""},
      {"", "файл не объект JSON", "", ""},
      {R"({"customer": "a"} {})", "после объекта JSON есть ещё текст", "", ""},
      {R"({"customer": "a",})", "ожидался ключ в кавычках", "", ""},
      {R"({"customer": "a)", "строка не закрыта", "", ""},
      {"{\"customer\": \"a\nb\"}", "управляющий знак внутри строки", "", ""},
      {R"({"customer": "\ud83c"})", "неполная пара \\u", "", ""},
      {"{\"customer\": \"\xCF\xF0\xE8\"}", "файл не в кодировке UTF-8", "", ""},  // Windows-1251
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const ParticularsParse got = parse_particulars_json(c.text);
    EXPECT_EQ(got.error, c.error);
    if (c.error.empty()) {
      EXPECT_EQ(got.particulars[c.key], c.value);
    } else {
      EXPECT_EQ(got.particulars.values, Particulars{}.values);
    }
  }
}

}  // namespace
}  // namespace kalora::protocol
