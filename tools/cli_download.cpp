// kalora-cli download OUT.bin [PORT1 [PORT2]]: the download window's exchange on
// the console. The same download runs on a termios port polled every 50 ms;
// progress goes to stderr, the image to OUT.bin. Ctrl+C is "Отмена".
#include <chrono>
#include <csignal>
#include <iostream>
#include <thread>

#include "core/state.h"
#include "device/download.h"
#include "device/image_save.h"
#include "device/posix_serial.h"
#include "tools/cli_download.h"
#include "tools/console_frontend.h"
#include "tools/exit_codes.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace kalora {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto poll_interval = std::chrono::milliseconds(50);

volatile std::sig_atomic_t cancel_requested = 0;
void request_cancel(int) { cancel_requested = 1; }

class ConsoleTimer : public ReplyTimer {
 public:
  void start(int interval_ms) override {
    interval_ = std::chrono::milliseconds(interval_ms);
    due_ = Clock::now() + interval_;
    running_ = true;
  }
  void stop() override { running_ = false; }
  // True once per interval while running.
  bool expired(Clock::time_point now) {
    if (!running_ || now < due_) return false;
    due_ += interval_;
    return true;
  }

 private:
  bool running_ = false;
  Clock::duration interval_{};
  Clock::time_point due_{};
};

class ConsoleView : public DownloadView {
 public:
  void set_status(std::string_view text) override { line(text); }
  void set_progress(int position) override {
    // Every tenth on a log, every step on a terminal.
    if (position == progress_ || (!terminal_ && position % 10 != 0 && position != 100)) return;
    progress_ = position;
    if (position == 0) return;
    std::cerr << (terminal_ ? "\r" : "") << position << '%' << (terminal_ ? "" : "\n") << std::flush;
    if (terminal_ && position == 100) std::cerr << '\n';
  }
  void set_device_name(std::string_view text) override { labelled("Тип прибора: ", text); }
  void set_version(std::string_view text) override { labelled("Версия ПО: ", text); }
  void set_methods(std::string_view text) override { labelled("Доступные методы: ", text); }
  void set_caption(std::string_view) override {}
  std::string application_title() const override { return title_; }
  void set_application_title(std::string_view text) override { title_ = text; }
  void end(ModalResult) override {}

 private:
  void labelled(std::string_view label, std::string_view text) {
    if (!text.empty()) line(std::string(label) + std::string(text));
  }
  void line(std::string_view text) {
    if (terminal_ && progress_ > 0 && progress_ < 100) std::cerr << '\n';
    std::cerr << text << '\n';
  }

#ifdef _WIN32
  bool terminal_ = false;
#else
  bool terminal_ = isatty(STDERR_FILENO) != 0;
#endif
  int progress_ = 0;
  std::string title_ = "КАЛОРА-5";
};

}  // namespace

int cli_download(std::span<const std::string> args) {
  std::array<std::string, 2> ports = default_port_names();
  for (std::size_t i = 1; i < args.size(); ++i) ports[i - 1] = args[i];

  State state;
  ConsoleFrontend frontend;
  PosixSerialLink link;
  ConsoleTimer timer;
  ConsoleView view;
  Download download(state, link, timer, view, frontend);
  download.set_port_names(ports);

  std::signal(SIGINT, request_cancel);
  std::signal(SIGTERM, request_cancel);
  download.open();
  auto next_poll = Clock::now();
  while (download.active()) {
    next_poll += poll_interval;
    std::this_thread::sleep_until(next_poll);
    if (cancel_requested) {
      download.cancel();
      break;
    }
    const std::vector<std::uint8_t> chunk = link.read_waiting();
    if (!chunk.empty()) download.receive(chunk);
    if (timer.expired(Clock::now())) download.reply_timer_expired();
  }
  download.close();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);

  if (download.result() != ModalResult::ok) return exit_refused;
  std::string error;
  if (!save_bin_file(args[0], std::span(state.flash).first(download.image_length()), error)) {
    std::cerr << error << '\n';
    return exit_usage_or_io;
  }
  return exit_ok;
}

}  // namespace kalora
