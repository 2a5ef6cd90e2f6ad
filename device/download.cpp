#include "device/download.h"

#include <algorithm>

#include "device/transfer.h"

namespace kalora {

namespace {

constexpr std::size_t methods_payload_byte = 9;  // image offset 18
constexpr std::size_t model_payload_byte = 11;   // image offset 20

struct MethodText {
  std::uint8_t bit;
  std::string_view text;
  int tab_sheet;
};
constexpr std::array<MethodText, 3> method_texts{{
    {1, "Стационарный; ", 1},
    {2, "Зонд; ", 2},
    {4, "Поток; ", 3},
}};

std::string two_digits(std::uint8_t value) { return (value < 10 ? "0" : "") + std::to_string(value); }

std::vector<std::string> default_ports() {
  const auto names = default_port_names();
  return {names.begin(), names.end()};
}

std::string damaged_text(const std::string& what) {
  return std::string(download_texts::damaged_dump) + what + std::string(download_texts::damaged_dump_end);
}

}  // namespace

std::array<std::string, 2> default_port_names() {
#ifdef _WIN32
  return {"\\\\.\\COM1", "\\\\.\\COM2"};
#else
  return {"/dev/ttyS0", "/dev/ttyS1"};
#endif
}

Download::Download(State& state, SerialLink& link, ReplyTimer& timer, DownloadView& view, Frontend& frontend)
    : state_(state), link_(link), timer_(timer), view_(view), frontend_(frontend) {
  set_port_names(default_ports());
}

void Download::set_port_names(std::vector<std::string> names) {
  if (names.empty()) names = default_ports();
  ports_ = names;
  port_index_ = 0;
  port_order_ = [names = std::move(names)] { return names; };
}

void Download::set_port_search(PortChoice choice, PortLister lister) {
  port_order_ = [choice = std::move(choice), lister = std::move(lister)] {
    return ports_to_ask(choice, lister ? lister() : std::vector<SerialPortInfo>{});
  };
}

void Download::open() {
  saved_title_ = view_.application_title();
  opened_ = true;
  ports_ = port_order_();
  if (ports_.empty()) ports_ = default_ports();
  port_index_ = 0;
  active_ = true;
  result_ = ModalResult::none;
  image_length_ = 0;
  dumping_ = restarted_ = retried_ = draining_ = false;
  reset_stage();

  progress_ = 0;
  view_.set_progress(0);
  device_name_.clear();
  version_text_.clear();
  methods_text_.clear();
  view_.set_methods(methods_text_);
  view_.set_device_name(device_name_);
  view_.set_version(version_text_);
  set_caption();
  ask_port();
}

void Download::ask_port() {
  view_.set_status(std::string(download_texts::searching) + port_display_name(port_name()) +
                   std::string(download_texts::searching_end));
  link_.open(port_name());
  ask_identification();
  timer_.start(reply_timeout_ms);
}

void Download::receive(std::span<const std::uint8_t> chunk) {
  // Events that were already queued when the download ended (a message box runs
  // its own loop) must not start a second ending.
  if (!active_) return;
  if (draining_) {
    drain(chunk);
    return;
  }

  const std::size_t room = rx_buf_size - write_pos_;
  const std::size_t stored = std::min(chunk.size(), room);
  std::copy_n(chunk.begin(), stored, state_.rx_buf.begin() + static_cast<std::ptrdiff_t>(write_pos_));

  for (const std::uint8_t byte : chunk) {
    if (byte == dump_end) end_seen_ = true;
    if (byte == dump_start) {
      timer_.stop();
      if (rx_stage_ == command_dump) dumping_ = true;
    }
    if (byte == restart_byte) {
      restart();
      return;
    }
  }
  // No stream of the instrument is this long: whatever it is, it is no image.
  if (stored < chunk.size()) {
    dump_damaged("принято символов больше " + std::to_string(rx_buf_size - 1) + " вместо " +
                 std::to_string(expected_len_ - 2));
    return;
  }
  rx_count_ = static_cast<std::uint16_t>(rx_count_ + stored);
  if (dumping_) timer_.start(silence_timeout_ms);

  if (rx_stage_ == command_identify && rx_count_ >= reply_length) {
    handle_reply();
    if (!active_) return;
  }
  if (rx_stage_ == command_dump) show_progress();
  view_.set_application_title(caption_);
  show_methods();
  show_model();
  write_pos_ = rx_count_;
  if (end_seen_) finish_dump();
}

void Download::reply_timer_expired() {
  if (!active_) return;
  timer_.stop();
  if (draining_) {
    // The damaged dump has stopped: ask the same port again.
    draining_ = false;
    reset_stage();
    ask_identification();
    timer_.start(reply_timeout_ms);
    return;
  }
  if (dumping_) {
    fail(download_texts::line_broken);
    return;
  }
  link_.close();
  reset_stage();
  progress_ = 0;
  view_.set_progress(0);
  if (port_index_ + 1 < ports_.size()) {
    // The information fields keep whatever a reply on an earlier port put there.
    ++port_index_;
    ask_port();
    return;
  }
  const std::string message = not_found_text();
  port_index_ = 0;
  fail(message);
}

void Download::line_lost() {
  if (!active_) return;
  // While ports are asked the reply timer moves on; later it would wait for ever.
  if (rx_stage_ == command_dump || draining_ || restarted_) {
    fail(download_texts::line_broken);
    return;
  }
  link_.close();
}

std::string Download::not_found_text() const {
  std::string text(download_texts::no_device);
  text += '\n';
  text += ports_.size() == 1 ? download_texts::port_asked : download_texts::ports_asked;
  for (std::size_t i = 0; i < ports_.size(); ++i) text += (i > 0 ? ", " : "") + port_display_name(ports_[i]);
  text += download_texts::where_to_choose;
  return text;
}

void Download::cancel() {
  if (!active_) return;
  draining_ = dumping_ = false;
  reset_stage();
  progress_ = 0;
  view_.set_progress(0);
  link_.close();
  end(ModalResult::cancel);
}

void Download::close() {
  timer_.stop();
  if (!opened_) return;  // never shown: no title to give back
  opened_ = false;
  view_.set_application_title(saved_title_);
  if (active_) {
    // Closed by other means than the download's own ending: that is a Cancel.
    link_.close();
    active_ = false;
    result_ = ModalResult::cancel;
  }
}

void Download::reset_stage() {
  end_seen_ = false;
  dumping_ = false;
  rx_count_ = 0;
  write_pos_ = 0;
}

void Download::ask_identification() {
  rx_stage_ = command_identify;
  link_.send(command_identify);
}

void Download::handle_reply() {
  const std::size_t r = rx_count_ - reply_length;
  const std::span<const std::uint8_t> rx(state_.rx_buf);
  const std::uint8_t subtype_char = rx[r + 2];
  state_.dev_type = decode_pair(rx, r);
  state_.dev_subtype = static_cast<std::uint8_t>(subtype_char - '0');
  if (state_.dev_type != accepted_device_type || state_.dev_subtype > 2) {
    fail(download_texts::wrong_device);
    return;
  }
  view_.remember_port(port_name());

  const bool flow = subtype_char == '2';
  device_name_ = flow ? download_texts::device_flow : download_texts::device_conductivity;
  expected_len_ = flow ? expected_len_flow : expected_len_conductivity;
  view_.set_device_name(device_name_);
  version_text_ = two_digits(decode_pair(rx, r + 7)) + "." + two_digits(decode_pair(rx, r + 5)) + "." +
                  two_digits(decode_pair(rx, r + 3));
  view_.set_version(version_text_);
  if (kind_check_) {
    const std::string refusal = kind_check_(state_.dev_subtype);
    if (!refusal.empty()) {
      fail(refusal);
      return;
    }
  }

  // The reply timer keeps counting from the 'V': only the 'S' of the dump stops it.
  end_seen_ = false;
  rx_stage_ = command_dump;
  // The second request after a damaged dump says so until it ends.
  view_.set_status(retried_ ? download_texts::receiving_again : download_texts::receiving);
  link_.send(command_dump);
  rx_count_ = 0;
  write_pos_ = 0;
}

void Download::show_progress() {
  progress_ = static_cast<int>(std::min<unsigned>(100, unsigned{rx_count_} * 100 / expected_len_));
  view_.set_progress(progress_);
  set_caption();
}

void Download::set_caption() {
  caption_ = std::to_string(progress_) + std::string(download_texts::caption_suffix);
  view_.set_caption(caption_);
}

int Download::received_payload_byte(std::size_t k) const {
  // Positions below rx_count hold this stage's characters; anything found beyond
  // is left over from an earlier stage.
  const std::size_t s = find_char(state_, dump_start);
  const std::size_t pos = s + 1 + 2 * k;
  if (s >= rx_count_ || pos + 1 >= rx_count_) return -1;
  return decode_pair(state_.rx_buf, pos);
}

void Download::show_methods() {
  if (!methods_text_.empty() || rx_stage_ != command_dump || state_.dev_subtype != 1 || rx_count_ <= 21) return;
  const int methods = received_payload_byte(methods_payload_byte);
  if (methods < 0) return;
  for (const MethodText& m : method_texts) {
    if ((methods & m.bit) == 0) continue;
    methods_text_ += m.text;
    frontend_.show_tab_sheet(m.tab_sheet);
  }
  if (!methods_text_.empty()) view_.set_methods(methods_text_);
}

void Download::show_model() {
  if (device_name_ != download_texts::device_conductivity || rx_stage_ != command_dump || state_.dev_subtype != 1 ||
      rx_count_ <= 25) {
    return;
  }
  const int model = received_payload_byte(model_payload_byte);
  // A model the program does not know gets no suffix.
  if (model < 0 || static_cast<std::size_t>(model) >= download_texts::model_suffix.size()) return;
  device_name_ += download_texts::model_suffix[static_cast<std::size_t>(model)];
  view_.set_device_name(device_name_);
}

void Download::finish_dump() {
  end_seen_ = false;
  write_pos_ = 0;
  // Only a whole, clean dump becomes the image: flash is not touched before.
  const std::string damage = rx_stage_ == command_dump ? dump_damage(state_, rx_count_, expected_len_ - 2u)
                                                       : std::string(dump_damage_no_start);
  if (!damage.empty()) {
    dump_damaged(damage);
    return;
  }
  link_.close();
  const std::array<std::uint8_t, flash_size> previous = state_.flash;
  const AssembledImage image = assemble_image(state_);
  if (!image.intact) {
    state_.flash = previous;
    fail(damaged_text(std::string(dump_damage_no_start)));
    return;
  }
  image_length_ = image.length;
  end(ModalResult::ok);
}

void Download::dump_damaged(const std::string& what) {
  if (rx_stage_ != command_dump || retried_) {
    fail(damaged_text(what));
    return;
  }
  // One more attempt on the same port, once the rest of this dump has stopped.
  retried_ = true;
  draining_ = true;
  drained_ = 0;
  reset_stage();
  progress_ = 0;
  view_.set_progress(0);
  set_caption();
  view_.set_status(download_texts::receiving_again);
  timer_.start(quiet_before_retry_ms);
}

void Download::drain(std::span<const std::uint8_t> chunk) {
  if (std::find(chunk.begin(), chunk.end(), restart_byte) != chunk.end()) {
    draining_ = false;
    restart();
    return;
  }
  drained_ += chunk.size();
  // More than a whole dump after the damaged one: the line is not settling.
  if (drained_ > rx_buf_size) {
    fail(damaged_text("поток символов не прекращается"));
    return;
  }
  timer_.start(quiet_before_retry_ms);
}

void Download::restart() {
  timer_.stop();
  restarted_ = true;
  reset_stage();
  ask_identification();
}

void Download::fail(std::string_view message) {
  // Port and timer stop before the message box: its own event loop would
  // otherwise deliver further chunks or time-outs into a finished download.
  link_.close();
  timer_.stop();
  end_seen_ = false;
  dumping_ = draining_ = false;
  active_ = false;
  frontend_.show_error(message);
  end(ModalResult::cancel);
}

void Download::end(ModalResult result) {
  active_ = false;
  result_ = result;
  timer_.stop();
  view_.end(result);
}

}  // namespace kalora
