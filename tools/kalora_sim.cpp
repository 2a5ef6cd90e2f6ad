// kalora-sim: plays the instrument on a pseudo-terminal, so the download can be
// tried without one. Prints the terminal's path as its first line, then serves
// until SIGTERM or SIGINT (Ctrl+C), until its standard input closes when that is a pipe,
// or until --timeout runs out.
//
//   kalora-sim IMAGE.bin [--full-speed] [--restart-after N] [--type N]
//              [--subtype-char C] [--version A.B.C] [--silent] [--no-end]
//              [--corrupt-at N [--corrupt-dumps K]] [--timeout SECONDS] [--link PATH]
//   kalora-sim --make stat|zond|both|flow|wall|samples OUT.bin
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/state.h"
#include "device/image_save.h"
#include "device/pseudo_terminal.h"
#include "device/sample_images.h"
#include "device/sim_instrument.h"

#ifndef _WIN32
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace {

using namespace kalora;

constexpr int exit_ok = 0;
constexpr int exit_usage = 2;

struct Arguments {
  std::string image;
  SimOptions options;
  bool full_speed = false;
  double timeout_s = 0;
  std::string link;
  std::string make_kind;
  std::string make_out;
};

int usage(const std::string& problem = {}) {
  if (!problem.empty()) std::cerr << "kalora-sim: " << problem << '\n';
  std::cerr << "usage: kalora-sim IMAGE.bin [--full-speed] [--restart-after N] [--type N] [--subtype-char C]\n"
               "                  [--version A.B.C] [--silent] [--no-end] [--corrupt-at N [--corrupt-dumps K]]\n"
               "                  [--timeout SECONDS] [--link PATH]\n"
               "       kalora-sim --make stat|zond|both|flow|wall|samples OUT.bin\n";
  return exit_usage;
}

std::optional<long> number(const std::string& text, long low, long high) {
  try {
    std::size_t used = 0;
    const long v = std::stol(text, &used);
    if (used == text.size() && v >= low && v <= high) return v;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

std::optional<Arguments> parse(const std::vector<std::string>& args) {
  Arguments a;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool has_value = i + 1 < args.size();
    const std::string value = has_value ? args[i + 1] : std::string();
    auto take = [&](long low, long high) {
      const auto v = has_value ? number(value, low, high) : std::nullopt;
      ++i;
      return v;
    };
    if (arg == "--full-speed") {
      a.full_speed = true;
    } else if (arg == "--silent") {
      a.options.silent = true;
    } else if (arg == "--no-end") {
      a.options.no_end = true;
    } else if (arg == "--restart-after") {
      const auto v = take(0, 1'000'000);
      if (!v) return std::nullopt;
      a.options.restart_after = *v;
    } else if (arg == "--corrupt-at") {
      const auto v = take(0, 1'000'000);
      if (!v) return std::nullopt;
      a.options.corrupt_at = *v;
    } else if (arg == "--corrupt-dumps") {
      const auto v = take(1, 1'000'000);
      if (!v) return std::nullopt;
      a.options.corrupt_dumps = *v;
    } else if (arg == "--type") {
      const auto v = take(0, 255);
      if (!v) return std::nullopt;
      a.options.type = static_cast<std::uint8_t>(*v);
    } else if (arg == "--timeout") {
      const auto v = take(1, 86'400);
      if (!v) return std::nullopt;
      a.timeout_s = static_cast<double>(*v);
    } else if (arg == "--subtype-char" && has_value && value.size() == 1) {
      a.options.subtype_char = value[0];
      ++i;
    } else if (arg == "--version" && has_value) {
      unsigned x = 0, y = 0, z = 0;
      char tail = 0;
      if (std::sscanf(value.c_str(), "%u.%u.%u%c", &x, &y, &z, &tail) != 3 || x > 255 || y > 255 || z > 255)
        return std::nullopt;
      a.options.version = {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(z)};
      ++i;
    } else if (arg == "--link" && has_value) {
      a.link = value;
      ++i;
    } else if (arg == "--make" && i + 2 < args.size()) {
      a.make_kind = args[i + 1];
      a.make_out = args[i + 2];
      i += 2;
    } else if (!arg.starts_with("--") && a.image.empty()) {
      a.image = arg;
    } else {
      return std::nullopt;
    }
  }
  if (a.make_kind.empty() == a.image.empty()) return std::nullopt;
  return a;
}

int make_sample(const Arguments& a) {
  const auto kind = sample_kind(a.make_kind);
  if (!kind) return usage("unknown sample kind \"" + a.make_kind + "\"");
  std::string error;
  if (!save_bin_file(a.make_out, make_sample_image(*kind), error)) {
    std::cerr << "kalora-sim: " << error << '\n';
    return exit_usage;
  }
  return exit_ok;
}

std::optional<std::vector<std::uint8_t>> load_image(const std::string& path) {
  std::vector<std::uint8_t> bytes(flash_size);
  const ReadResult read = read_file_into(path, bytes);
  if (!read.ok) {
    std::cerr << "kalora-sim: " << read.error << '\n';
    return std::nullopt;
  }
  bytes.resize(read.bytes_read);
  return bytes;
}

#ifdef _WIN32

int serve(const Arguments&, const std::vector<std::uint8_t>&) {
  std::cerr << "kalora-sim: " << PseudoTerminal().error() << '\n';
  return exit_usage;
}

#else

volatile std::sig_atomic_t stop_requested = 0;
void request_stop(int) { stop_requested = 1; }

void install_signal_handlers() {
  struct sigaction action {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

// Standard input tells the simulator its user is gone only when it is a pipe: from
// /dev/null or a file it would end the run at once, and a background job reading
// its terminal would be stopped.
bool stdin_watched() {
  struct stat st {};
  return fstat(STDIN_FILENO, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

int serve(const Arguments& a, const std::vector<std::uint8_t>& image) {
  PseudoTerminal pty;
  if (!pty.ok()) {
    std::cerr << "kalora-sim: " << pty.error() << '\n';
    return exit_usage;
  }
  if (!a.link.empty()) {
    std::error_code ec;
    if (std::filesystem::is_symlink(a.link, ec)) std::filesystem::remove(a.link, ec);
    std::filesystem::create_symlink(pty.path(), a.link, ec);
    if (ec) {
      std::cerr << "kalora-sim: cannot link " << a.link << ": " << ec.message() << '\n';
      return exit_usage;
    }
  }
  install_signal_handlers();
  std::cout << pty.path() << std::endl;

  SimInstrument instrument(image, a.options);
  PacedQueue line(a.full_speed ? 0 : line_chars_per_second);
  const bool watch_stdin = stdin_watched();
  const auto start = std::chrono::steady_clock::now();
  auto seconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };

  bool blocked = false;  // the terminal's buffer is full: wait until it takes more
  while (!stop_requested && (a.timeout_s <= 0 || seconds() < a.timeout_s)) {
    const std::string_view ready = line.ready(seconds());
    if (!ready.empty()) {
      const ssize_t n = ::write(pty.master(), ready.data(), ready.size());
      if (n > 0) line.consumed(static_cast<std::size_t>(n));
      blocked = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }

    int wait_ms = 200;
    if (!line.empty() && !blocked) wait_ms = std::clamp(static_cast<int>(line.wait(seconds()) * 1000) + 1, 1, 10);
    pollfd fds[2] = {{pty.master(), static_cast<short>(POLLIN | (blocked ? POLLOUT : 0)), 0},
                     {STDIN_FILENO, POLLIN, 0}};
    if (::poll(fds, watch_stdin ? 2 : 1, wait_ms) < 0) continue;  // a signal

    if (fds[0].revents & POLLIN) {
      std::uint8_t commands[256];
      const ssize_t n = ::read(pty.master(), commands, sizeof commands);
      for (ssize_t i = 0; i < n; ++i) line.push(instrument.answer(commands[i]), seconds());
    }
    if (fds[0].revents & POLLOUT) blocked = false;
    if (watch_stdin && (fds[1].revents & (POLLIN | POLLHUP))) {
      char scratch[256];
      if (::read(STDIN_FILENO, scratch, sizeof scratch) <= 0) break;
    }
  }
  if (!a.link.empty()) {
    std::error_code ec;
    std::filesystem::remove(a.link, ec);
  }
  return exit_ok;
}

#endif

}  // namespace

int main(int argc, char** argv) {
  const auto args = parse(std::vector<std::string>(argv + 1, argv + argc));
  if (!args) return usage();
  if (!args->make_kind.empty()) return make_sample(*args);
  const auto image = load_image(args->image);
  if (!image) return exit_usage;
  return serve(*args, *image);
}
