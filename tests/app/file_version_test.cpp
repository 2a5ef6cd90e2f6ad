#include "app/file_version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/version_record.h"
#include "support/temp_dir.h"

namespace kalora::app {
namespace {

using version_record::Entry;

template <std::size_t N>
std::vector<unsigned char> record_of(const std::array<Entry, N>& entries) {
  const auto bytes = version_record::encode<4096>(entries);
  return {bytes.begin(), bytes.end()};
}

constexpr std::string_view russian_1251{"\x19\x04\xE3\x04", 4};
constexpr std::string_view version_key = "\\StringFileInfo\\041904E3\\FileVersion";

TEST(FileVersion, RecordAnswersAsTheQueriesSay) {
  struct Case {
    const char* name;
    std::vector<unsigned char> record;
    std::string expected;
  };
  const Case cases[] = {
      {"translation and version",
       record_of(
           std::array<Entry, 2>{{{version_record::translation_key, russian_1251}, {version_key, {"2.7.1.9\0", 8}}}}),
       "2.7.1.9"},
      {"no translation table: the version under an empty table name",
       record_of(std::array<Entry, 1>{{{"\\StringFileInfo\\\\FileVersion", {"3.0\0", 4}}}}), "3.0"},
      {"a translation of three bytes does not count",
       record_of(
           std::array<Entry, 2>{{{version_record::translation_key, {"\x19\x04\xE3", 3}}, {version_key, {"2.0\0", 4}}}}),
       "0.0.0.0"},
      {"another language names another table",
       record_of(std::array<Entry, 2>{
           {{version_record::translation_key, {"\x09\x04\xB0\x04", 4}}, {version_key, {"2.0\0", 4}}}}),
       "0.0.0.0"},
      {"version shorter than 2",
       record_of(std::array<Entry, 2>{{{version_record::translation_key, russian_1251}, {version_key, {"\0", 1}}}}),
       "0.0.0.0"},
      {"empty record", {}, "0.0.0.0"},
      {"length running past the end", {0x40, 0x00, 'a', 'b'}, "0.0.0.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(file_version_from_record(c.record), c.expected);
  }
}

TEST(FileVersion, ReadsTheProgramFileAndNothingElse) {
  test::TempDir dir;
  const auto program = test::read_bytes(KALORA_PROGRAM);
  ASSERT_GT(program.size(), 4096u);
  test::write_bytes(dir.file("truncated"), {program.begin(), program.begin() + 4096});
  test::write_bytes(dir.file("header only"), {program.begin(), program.begin() + 64});
  test::write_bytes(dir.file("text"), {'h', 'e', 'l', 'l', 'o'});
  // A section table pointing far past the end of the file.
  auto broken = std::vector<unsigned char>(program.begin(), program.begin() + 64);
  for (int i = 0x28; i < 0x30; ++i) broken[static_cast<std::size_t>(i)] = 0xFF;
  test::write_bytes(dir.file("broken"), broken);

  const std::pair<std::string, std::string> cases[] = {
      {KALORA_PROGRAM, KALORA_FILE_VERSION}, {KALORA_CLI, "0.0.0.0"},       {dir.file("truncated"), "0.0.0.0"},
      {dir.file("header only"), "0.0.0.0"},  {dir.file("text"), "0.0.0.0"}, {dir.file("broken"), "0.0.0.0"},
      {dir.file("missing"), "0.0.0.0"},
  };
  for (const auto& [path, expected] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(get_file_version(path), expected);
  }
}

}  // namespace
}  // namespace kalora::app
