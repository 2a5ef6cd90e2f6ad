// The download state machine fed arbitrary chunks, with reply-timer events,
// cancels and restarts of the window in between. Each input byte below 0xF0 is
// one character of the line; the bytes from 0xF0 up are events.
#include <memory>
#include <string>

#include "device/download.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace kalora;

struct Link : SerialLink {
  bool is_open = false;
  bool refuse_second = false;
  bool open(const std::string& name) override {
    is_open = !(refuse_second && name == "second");
    return is_open;
  }
  void close() override { is_open = false; }
  bool send(std::uint8_t) override { return is_open; }
};

struct Timer : ReplyTimer {
  bool running = false;
  void start(int) override { running = true; }
  void stop() override { running = false; }
};

struct View : DownloadView {
  std::string title = "КАЛОРА-5";
  int progress = 0;
  void set_status(std::string_view) override {}
  void set_progress(int position) override {
    if (position < 0 || position > 100) __builtin_trap();
    progress = position;
  }
  void set_device_name(std::string_view) override {}
  void set_version(std::string_view) override {}
  void set_methods(std::string_view) override {}
  void set_caption(std::string_view) override {}
  std::string application_title() const override { return title; }
  void set_application_title(std::string_view text) override { title = text; }
  void end(ModalResult) override {}
};

enum class Event : std::uint8_t { flush = 0xF0, timer = 0xF1, cancel = 0xF2, reopen = 0xF3, close = 0xF4, lost = 0xF5 };

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto owned = std::make_unique<State>();
  State& state = *owned;
  Link link;
  Timer timer;
  View view;
  test::RecordingFrontend frontend;
  Download download(state, link, timer, view, frontend);
  download.set_port_names({"first", "second"});
  link.refuse_second = size > 0 && (data[0] & 1);

  download.open();
  std::basic_string<std::uint8_t> chunk;
  const auto deliver = [&] {
    download.receive(chunk);
    chunk.clear();
  };
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = data[i];
    const auto event = static_cast<Event>(b);
    if (b < static_cast<std::uint8_t>(Event::flush)) {
      chunk.push_back(b);
      continue;
    }
    deliver();
    if (event == Event::timer && timer.running) download.reply_timer_expired();
    if (event == Event::cancel) download.cancel();
    if (event == Event::reopen && !download.active()) download.open();
    if (event == Event::close) download.close();
    if (event == Event::lost) download.line_lost();
    // 0xF6..0xFF: a chunk boundary only
  }
  deliver();
  if (download.result() == ModalResult::ok && (download.image_length() < 9 || download.image_length() > flash_size)) {
    __builtin_trap();
  }
  download.close();
  return 0;
}
