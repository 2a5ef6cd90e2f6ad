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

TEST(BinFile, ShorterFileLeavesLaterBytesInPlace) {
  TempDir dir;
  State state;
  state.flash.fill(0x5C);
  test::write_bytes(dir.file("short.bin"), {'k', 'L', 'r', '!', 'b', 5, 1, 100, 0, 42});
  RecordingFrontend frontend;
  ASSERT_TRUE(load_bin_file(state, dir.file("short.bin"), frontend));
  EXPECT_TRUE(frontend.messages.empty());
  EXPECT_EQ(state.flash[5], 5);
  EXPECT_EQ(state.flash[9], 42);
  EXPECT_TRUE(std::all_of(state.flash.begin() + 10, state.flash.end(), [](std::uint8_t b) { return b == 0x5C; }));
}

TEST(BinFile, FullSizeFileFillsFlash) {
  TempDir dir;
  std::vector<unsigned char> bytes(flash_size);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i % 251);
  test::write_bytes(dir.file("full.bin"), bytes);
  State state;
  RecordingFrontend frontend;
  ASSERT_TRUE(load_bin_file(state, dir.file("full.bin"), frontend));
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), state.flash.begin()));
}

TEST(BinFile, RefusedFilesLeaveFlashUntouchedWithAMessage) {
  TempDir dir;
  test::write_bytes(dir.file("long.bin"), std::vector<unsigned char>(flash_size + 1, 7));
  std::filesystem::create_directory(dir.path() / "folder.bin");
  for (const std::string name : {"long.bin", "missing.bin", "folder.bin"}) {
    SCOPED_TRACE(name);
    State state;
    state.flash.fill(0x11);
    RecordingFrontend frontend;
    EXPECT_FALSE(load_bin_file(state, dir.file(name), frontend));
    ASSERT_EQ(frontend.messages.size(), 1u);
    EXPECT_EQ(frontend.messages[0].kind, Message::error);
    EXPECT_NE(frontend.messages[0].text.find(name), std::string::npos);
    EXPECT_TRUE(std::all_of(state.flash.begin(), state.flash.end(), [](std::uint8_t b) { return b == 0x11; }));
  }
}

}  // namespace
}  // namespace kalora
