// kalora-cli download OUT.bin [PORT1 [PORT2] | auto]: the download window's
// exchange on the console. The same download runs on the serial link polled every
// 50 ms; progress goes to stderr, the image to OUT.bin. Ctrl+C is "Отмена".
// kalora-cli ports: the serial ports the system lists, one a line.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "core/state.h"
#include "device/download.h"
#include "device/image_save.h"
#include "device/posix_serial.h"
#include "device/serial_ports.h"
#include "tools/cli_download.h"
#include "tools/command_line.h"
#include "tools/console_frontend.h"
#include "tools/exit_codes.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace kalora {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto poll_interval = std::chrono::milliseconds(50);

// Where the port list finds the system's sys/ and dev/ folders: "/" unless a test
// gives a tree of its own, which then holds the first and second port as well.
std::filesystem::path system_root() {
  const char* root = std::getenv("KALORA_SYSTEM_ROOT");
  return root && *root ? std::filesystem::path(root) : std::filesystem::path("/");
}

std::array<std::string, 2> first_and_second_port() {
  std::array<std::string, 2> ports = default_port_names();
#ifndef _WIN32
  for (std::string& port : ports) port = (system_root() / std::filesystem::path(port).relative_path()).string();
#endif
  return ports;
}

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

int cli_ports(std::span<const std::string>) {
  for (const SerialPortInfo& port : list_serial_ports(system_root())) {
    std::string known = port.description;
    if (!port.maker.empty() && known.find(port.maker) == std::string::npos)
      known += (known.empty() ? "" : ", ") + port.maker;
    std::cout << port.name << '\t' << known << '\n';
  }
  return exit_ok;
}

int cli_download(std::span<const std::string> all) {
  const ForcedArgs forced = without_force(all);
  const std::span<const std::string> args(forced.rest);
  if (args.empty() || args.size() > 3) return usage_of("download [--force] OUT.bin [PORT1 [PORT2] | auto]");
  // Refused before the instrument is asked, so nobody waits for a download that cannot be kept.
  if (!plain_output(args[0])) return exit_usage_or_io;
  if (!may_write(args[0], forced.force)) return exit_refused;
  const std::array<std::string, 2> defaults = first_and_second_port();
  const bool search = args.size() == 2 && args[1] == "auto";
  std::vector<std::string> ports(defaults.begin(), defaults.end());
  for (std::size_t i = 1; i < args.size() && !search; ++i) ports[i - 1] = args[i];

  State state;
  ConsoleFrontend frontend;
  PosixSerialLink link;
  ConsoleTimer timer;
  ConsoleView view;
  Download download(state, link, timer, view, frontend);
  if (search) {
    download.set_port_search({true, defaults[0], defaults[1], {}}, [] { return list_serial_ports(system_root()); });
  } else {
    download.set_port_names(ports);
  }

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
    if (link.is_open() && link.gone()) download.line_lost();
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
