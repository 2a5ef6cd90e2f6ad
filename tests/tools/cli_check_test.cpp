#include <gtest/gtest.h>

#include "support/image_builder.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace kalora {
namespace {

using test::ImageBuilder;

std::string lines(int type, int subtype, int stat, int zond, int potok, int data, int stat_count, int zond_count,
                  int potok_count, const char* channel_type, int channel_mask) {
  return "dev_type=" + std::to_string(type) + "\ndev_subtype=" + std::to_string(subtype) +
         "\nstat_present=" + std::to_string(stat) + "\nzond_present=" + std::to_string(zond) +
         "\npotok_present=" + std::to_string(potok) + "\ndata_present=" + std::to_string(data) +
         "\nstat_count=" + std::to_string(stat_count) + "\nzond_count=" + std::to_string(zond_count) +
         "\npotok_count=" + std::to_string(potok_count) + "\nchannel_type=" + channel_type +
         "\nchannel_mask=" + std::to_string(channel_mask) + "\n";
}

TEST(CliCheck, PrintsTheStateOfTheImageCheck) {
  struct Case {
    const char* name;
    ImageBuilder image;
    int exit_code;
    std::string out;
    std::string err;
  };
  const std::vector<Case> cases{
      {"type 4", ImageBuilder(1, 4).methods(3).stat_count(2), 1, lines(4, 1, 0, 0, 0, 0, 0, 0, 0, "0,0,0", 0),
       "Ошибочные данные или неверный тип прибора\n"},
      {"subtype 3", ImageBuilder(3), 1, lines(5, 3, 0, 0, 0, 0, 0, 0, 0, "0,0,0", 0),
       "Ошибочные данные или неизвестный подтип тепломера\n"},
      {"subtype 0", ImageBuilder(0).methods(3), 0, lines(5, 0, 0, 0, 0, 0, 0, 0, 0, "0,0,0", 0), ""},
      {"byte 18 = 0", ImageBuilder(1).methods(0).stat_count(2).zond_count(3), 0,
       lines(5, 1, 0, 0, 0, 0, 0, 0, 0, "0,0,0", 0), ""},
      {"byte 18 = 1", ImageBuilder(1).methods(1).stat_count(2).zond_count(3), 0,
       lines(5, 1, 1, 0, 0, 1, 2, 0, 0, "0,0,0", 0), ""},
      {"byte 18 = 2", ImageBuilder(1).methods(2).stat_count(2).zond_count(3), 0,
       lines(5, 1, 0, 1, 0, 1, 0, 3, 0, "0,0,0", 0), ""},
      {"byte 18 = 3", ImageBuilder(1).methods(3).stat_count(2).zond_count(3), 0,
       lines(5, 1, 1, 1, 0, 1, 2, 3, 0, "0,0,0", 0), ""},
      {"heat flow 3,0,5", ImageBuilder(2).channel_types(3, 0, 5).potok_count(17), 0,
       lines(5, 2, 0, 0, 1, 1, 0, 0, 17, "3,0,5", 5), ""},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("image.bin");
    test::write_bytes(path, c.image.file_bytes());
    const test::RunResult r = test::run_program(KALORA_CLI, {"check", path});
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(CliCheck, UsageAndInputErrorsExitWithTwo) {
  test::TempDir dir;
  EXPECT_EQ(test::run_program(KALORA_CLI, {}).exit_code, 2);
  EXPECT_EQ(test::run_program(KALORA_CLI, {"check"}).exit_code, 2);
  EXPECT_EQ(test::run_program(KALORA_CLI, {"check", "a", "b"}).exit_code, 2);
  EXPECT_EQ(test::run_program(KALORA_CLI, {"frobnicate"}).exit_code, 2);
  const test::RunResult missing = test::run_program(KALORA_CLI, {"check", dir.file("none.bin")});
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("none.bin"), std::string::npos);
  EXPECT_TRUE(missing.out.empty());
}

}  // namespace
}  // namespace kalora
