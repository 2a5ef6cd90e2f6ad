#include "device/image_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/recording_frontend.h"
#include "support/temp_dir.h"

namespace kalora {
namespace {

using test::Message;
using test::RecordingFrontend;
using test::TempDir;

TEST(BinFile, ImageBytesThenZerosUpToTheEndOfFlash) {
  TempDir dir;
  State state;
  state.flash.fill(0x5C);  // an earlier image
  test::write_bytes(dir.file("short.bin"), {'k', 'L', 'r', '!', 'b', 5, 1, 100, 0, 42});
  RecordingFrontend frontend;
  ASSERT_EQ(load_bin_file(state, dir.file("short.bin"), frontend), BinLoad::loaded);
  EXPECT_TRUE(frontend.messages.empty());
  EXPECT_EQ(state.flash[5], 5);
  EXPECT_EQ(state.flash[9], 42);
  EXPECT_TRUE(std::all_of(state.flash.begin() + 10, state.flash.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(BinFile, FullSizeFileFillsFlash) {
  TempDir dir;
  std::vector<unsigned char> bytes(flash_size);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i % 251);
  test::write_bytes(dir.file("full.bin"), bytes);
  State state;
  RecordingFrontend frontend;
  ASSERT_EQ(load_bin_file(state, dir.file("full.bin"), frontend), BinLoad::loaded);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), state.flash.begin()));
}

TEST(BinFile, RefusedFilesLeaveFlashUntouchedWithAMessage) {
  TempDir dir;
  test::write_bytes(dir.file("long.bin"), std::vector<unsigned char>(flash_size + 1, 7));
  test::write_bytes(dir.file("empty.bin"), {});
  test::write_bytes(dir.file("five.bin"), {'k', 'L', 'r', '!', 'b'});
  test::write_bytes(dir.file("eight.bin"), {'k', 'L', 'r', '!', 'b', 5, 1, 100});
  std::filesystem::create_directory(dir.path() / "folder.bin");
  const std::pair<const char*, BinLoad> cases[] = {
      {"long.bin", BinLoad::not_an_image},  {"empty.bin", BinLoad::not_an_image}, {"five.bin", BinLoad::not_an_image},
      {"eight.bin", BinLoad::not_an_image}, {"missing.bin", BinLoad::unreadable}, {"folder.bin", BinLoad::unreadable},
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(name);
    State state;
    state.flash.fill(0x11);
    RecordingFrontend frontend;
    EXPECT_EQ(load_bin_file(state, dir.file(name), frontend), expected);
    ASSERT_EQ(frontend.messages.size(), 1u);
    EXPECT_EQ(frontend.messages[0].kind, Message::error);
    EXPECT_NE(frontend.messages[0].text.find(name), std::string::npos);
    EXPECT_TRUE(std::all_of(state.flash.begin(), state.flash.end(), [](std::uint8_t b) { return b == 0x11; }));
  }
}

}  // namespace
}  // namespace kalora
