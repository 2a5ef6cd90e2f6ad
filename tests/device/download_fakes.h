// A serial line, reply timer, window and main window for the download, all
// recording, with a clock the test moves by hand.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "device/download.h"
#include "support/recording_frontend.h"

namespace kalora::test {

inline std::string encode(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  for (const std::uint8_t b : bytes) {
    text += static_cast<char>(0x30 + (b & 0x0F));
    text += static_cast<char>(0x30 + (b >> 4));
  }
  return text;
}

struct FakeLink : SerialLink {
  std::vector<std::string> events;  // "open NAME", "close", "send V"
  std::set<std::string> missing;    // ports that fail to open
  bool is_open = false;

  bool open(const std::string& name) override {
    events.push_back("open " + name);
    is_open = !missing.contains(name);
    return is_open;
  }
  void close() override {
    if (is_open) events.push_back("close");
    is_open = false;
  }
  bool send(std::uint8_t byte) override {
    if (!is_open) return false;
    events.push_back(std::string("send ") + static_cast<char>(byte));
    return true;
  }
  std::string sent() const {
    std::string s;
    for (const auto& e : events)
      if (e.starts_with("send ")) s += e.back();
    return s;
  }
};

struct FakeTimer : ReplyTimer {
  bool running = false;
  int interval = 0;
  long due = 0;
  const long* now = nullptr;

  void start(int interval_ms) override {
    running = true;
    interval = interval_ms;
    due = *now + interval_ms;
  }
  void stop() override {
    running = false;
    interval = 0;
  }
};

struct FakeView : DownloadView {
  std::string status, device_name, version, methods, caption, title = "КАЛОРА-5";
  int progress = -1;
  std::vector<int> progress_seen;
  std::vector<std::string> captions_seen;
  std::vector<std::string> statuses_seen;
  std::vector<std::string> remembered;  // ports where the instrument answered
  ModalResult result = ModalResult::none;
  int ends = 0;

  void set_status(std::string_view text) override {
    status = text;
    statuses_seen.emplace_back(text);
  }
  void remember_port(std::string_view name) override { remembered.emplace_back(name); }
  void set_progress(int position) override {
    progress = position;
    progress_seen.push_back(position);
  }
  void set_device_name(std::string_view text) override { device_name = text; }
  void set_version(std::string_view text) override { version = text; }
  void set_methods(std::string_view text) override { methods = text; }
  void set_caption(std::string_view text) override {
    caption = text;
    captions_seen.emplace_back(text);
  }
  std::string application_title() const override { return title; }
  void set_application_title(std::string_view text) override { title = text; }
  void end(ModalResult r) override {
    result = r;
    ++ends;
  }
};

struct MainWindow : RecordingFrontend {
  std::vector<int> tab_sheets;
  std::function<void()> during_message;  // runs while a message box is "open"

  void show_tab_sheet(int number) override { tab_sheets.push_back(number); }
  void show_error(std::string_view text) override {
    RecordingFrontend::show_error(text);
    if (during_message) during_message();
  }
};

// One download window with its fakes and a clock in milliseconds.
struct Bench {
  State state;
  FakeLink link;
  FakeTimer timer;
  FakeView view;
  MainWindow frontend;
  long now = 0;
  Download download{state, link, timer, view, frontend};

  Bench() { timer.now = &now; }

  void feed(std::string_view chars) {
    download.receive({reinterpret_cast<const std::uint8_t*>(chars.data()), chars.size()});
  }
  // Delivers chars in chunks of at most `chunk` characters.
  void feed_in_chunks(std::string_view chars, std::size_t chunk) {
    for (std::size_t at = 0; at < chars.size(); at += chunk) feed(chars.substr(at, chunk));
  }
  void advance(long ms) {
    const long until = now + ms;
    while (timer.running && timer.due <= until) {
      now = timer.due;
      timer.due += timer.interval;
      download.reply_timer_expired();
    }
    now = until;
  }
};

// The nine characters of an identification reply.
inline std::string reply(std::uint8_t type, char subtype, std::uint8_t first = 14, std::uint8_t second = 2,
                         std::uint8_t last = 1) {
  return encode({type}) + subtype + encode({last}) + encode({second}) + encode({first});
}

inline std::string dump(const std::vector<std::uint8_t>& payload) { return "S" + encode(payload) + "P"; }

}  // namespace kalora::test
