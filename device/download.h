// One download from the instrument: identification on each port of the search in
// turn, the dump, the progress and the device image in flash. Event-driven like
// the download window it serves: the shell calls open() when the window appears,
// receive() for every chunk the port delivers, line_lost() when the port reports
// that the device went away, reply_timer_expired(), cancel() for "Отмена" and
// close() when the window closes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/frontend.h"
#include "core/state.h"
#include "device/port_search.h"

namespace kalora {

inline constexpr std::uint8_t command_identify = 'V';
inline constexpr std::uint8_t command_dump = 'F';
inline constexpr std::uint8_t restart_byte = 0xEB;
inline constexpr std::uint8_t accepted_device_type = 5;
inline constexpr std::size_t reply_length = 9;
inline constexpr std::uint16_t expected_len_conductivity = 10316;
inline constexpr std::uint16_t expected_len_flow = 13332;
inline constexpr int reply_timeout_ms = 3000;
// Once the dump has begun, this long without a character means the line is dead.
inline constexpr int silence_timeout_ms = 5000;
// After a damaged dump, the rest of it must have stopped arriving this long before
// the instrument is asked again.
inline constexpr int quiet_before_retry_ms = 500;

// The serial line to the instrument.
class SerialLink {
 public:
  virtual ~SerialLink() = default;
  // Opens the port by name with the instrument's line settings. The download does
  // not report a port that fails to open: the silence takes the usual road.
  virtual bool open(const std::string& name) = 0;
  virtual void close() = 0;
  // Sends one byte, waiting at most 500 ms for room; false when it was not written.
  // Does nothing on a closed port.
  virtual bool send(std::uint8_t byte) = 0;
};

// The reply timer: fires once per interval until stopped (the shell calls
// Download::reply_timer_expired()).
class ReplyTimer {
 public:
  virtual ~ReplyTimer() = default;
  virtual void start(int interval_ms) = 0;
  virtual void stop() = 0;
};

enum class ModalResult { none = 0, ok = 1, cancel = 2 };

// The download window as the download sees it.
class DownloadView {
 public:
  virtual ~DownloadView() = default;
  virtual void set_status(std::string_view text) = 0;       // StaticText2, sized to its text
  virtual void set_progress(int position) = 0;              // ProgressBar1, 0..100
  virtual void set_device_name(std::string_view text) = 0;  // StaticText5
  virtual void set_version(std::string_view text) = 0;      // StaticText1
  virtual void set_methods(std::string_view text) = 0;      // StaticText7
  virtual void set_caption(std::string_view text) = 0;
  virtual std::string application_title() const = 0;
  virtual void set_application_title(std::string_view text) = 0;
  // Sets the window's modal result; the window closes when its modal loop regains control.
  virtual void end(ModalResult result) = 0;
  // The instrument identified itself on this port: the next search asks it first.
  virtual void remember_port(std::string_view name) { (void)name; }
};

namespace download_texts {
// The status line while a port is asked: searching, the port's name, searching_end.
inline constexpr std::string_view searching = "Поиск прибора: ";
inline constexpr std::string_view searching_end = " …";
inline constexpr std::string_view receiving = "Идет прием информации ...";
inline constexpr std::string_view receiving_again = "Данные приняты с искажениями, повторный приём ...";
inline constexpr std::string_view caption_suffix = "% - Прием данных";
inline constexpr std::string_view device_conductivity = "КАЛОРА-5";
inline constexpr std::string_view device_flow = "КАЛОРА-5-Поток";
inline constexpr std::string_view wrong_device = "Вы подключили не тот прибор !";
inline constexpr std::string_view no_device =
    "Прибор не обнаружен! Проверте правильность подключения согласно инструкции!";
// The line under no_device: the ports asked, and where the user chooses one.
inline constexpr std::string_view port_asked = "Опрошен порт: ";
inline constexpr std::string_view ports_asked = "Опрошены порты: ";
inline constexpr std::string_view where_to_choose = ". Порт прибора выбирается командой «Файл → Порт прибора…».";
// A dump refused: damaged_dump, what was wrong with it, damaged_dump_end.
inline constexpr std::string_view damaged_dump = "Данные приняты с искажениями: ";
inline constexpr std::string_view damaged_dump_end = ". Повторите приём.";
inline constexpr std::string_view line_broken = "Связь с прибором прервана. Проверьте кабель и повторите приём.";
inline constexpr std::array<std::string_view, 2> model_suffix = {"-100", "-250"};
}  // namespace download_texts

// "\\.\COM1" and "\\.\COM2" on Windows, "/dev/ttyS0" and "/dev/ttyS1" elsewhere.
std::array<std::string, 2> default_port_names();

// What refuses an identified instrument before its dump ("Дополнить" into a
// database of the other kind): the message, or empty when the kind is welcome.
using KindCheck = std::function<std::string(std::uint8_t dev_subtype)>;

class Download {
 public:
  Download(State& state, SerialLink& link, ReplyTimer& timer, DownloadView& view, Frontend& frontend);

  // Exactly these ports, asked in this order (by default the first and the second).
  void set_port_names(std::vector<std::string> names);
  // The search made afresh at each open(), from the choice and the system's ports.
  void set_port_search(PortChoice choice, PortLister lister);
  // Checked right after the identification; none by default.
  void set_kind_check(KindCheck check) { kind_check_ = std::move(check); }

  void open();                                        // the window appears
  void receive(std::span<const std::uint8_t> chunk);  // the port delivered a chunk
  void line_lost();                                   // the port says the device went away
  void reply_timer_expired();
  void cancel();  // "Отмена"
  void close();   // the window closes

  bool active() const { return active_; }
  ModalResult result() const { return result_; }
  // The device image length after a completed dump (9 + payload bytes).
  std::size_t image_length() const { return image_length_; }

  std::uint16_t rx_count() const { return rx_count_; }
  char rx_stage() const { return rx_stage_; }
  std::uint16_t expected_len() const { return expected_len_; }
  const std::string& port_name() const { return ports_[port_index_]; }
  // The ports of the current (or last) search, in order.
  const std::vector<std::string>& ports() const { return ports_; }
  const std::string& device_name() const { return device_name_; }
  const std::string& version_text() const { return version_text_; }
  const std::string& methods_text() const { return methods_text_; }

 private:
  void reset_stage();
  void ask_port();
  void ask_identification();
  void handle_reply();
  void show_progress();
  void show_methods();
  void show_model();
  void finish_dump();
  void dump_damaged(const std::string& what);
  void drain(std::span<const std::uint8_t> chunk);
  void restart();
  std::string not_found_text() const;
  void end(ModalResult result);
  void fail(std::string_view message);
  void set_caption();
  // Payload byte k of the dump, once both of its characters have arrived after an
  // 'S' of this stage; -1 before that.
  int received_payload_byte(std::size_t k) const;

  State& state_;
  SerialLink& link_;
  ReplyTimer& timer_;
  DownloadView& view_;
  Frontend& frontend_;

  std::function<std::vector<std::string>()> port_order_;
  std::vector<std::string> ports_;
  std::size_t port_index_ = 0;
  KindCheck kind_check_;

  bool opened_ = false;  // between open() and close()
  bool active_ = false;
  ModalResult result_ = ModalResult::none;
  std::uint16_t rx_count_ = 0;
  std::size_t write_pos_ = 0;
  char rx_stage_ = command_identify;
  bool end_seen_ = false;
  bool dumping_ = false;    // the 'S' of the dump is in: silence is a dead line
  bool restarted_ = false;  // a restart byte came: no reply time-out from then on
  bool retried_ = false;    // the one automatic second attempt after a damaged dump is used
  bool draining_ = false;   // waiting for the rest of a damaged dump to stop
  std::size_t drained_ = 0;
  std::uint16_t expected_len_ = expected_len_conductivity;
  int progress_ = 0;
  std::string caption_;
  std::string saved_title_;
  std::string device_name_;
  std::string version_text_;
  std::string methods_text_;
  std::size_t image_length_ = 0;
};

}  // namespace kalora
