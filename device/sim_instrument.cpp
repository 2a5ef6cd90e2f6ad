#include "device/sim_instrument.h"

#include <algorithm>
#include <cmath>

#include "device/download.h"
#include "device/transfer.h"

namespace kalora {

namespace {

void append_encoded(std::string& text, std::uint8_t b) {
  text += static_cast<char>(0x30 + (b & 0x0F));
  text += static_cast<char>(0x30 + (b >> 4));
}

}  // namespace

SimInstrument::SimInstrument(std::span<const std::uint8_t> image, SimOptions options)
    : image_(image.begin(), image.end()), options_(options) {
  if (image_.size() < image_header_size) image_.resize(image_header_size);
}

std::string SimInstrument::answer(std::uint8_t command) {
  if (options_.silent) return {};
  if (command == command_identify) return identification();
  if (command != command_dump) return {};
  std::string stream = dump_stream();
  if (options_.restart_after >= 0 && !restarted_) {
    // The instrument breaks off once, then serves the next request in full.
    restarted_ = true;
    stream.resize(std::min(stream.size(), static_cast<std::size_t>(options_.restart_after)));
    stream += static_cast<char>(restart_byte);
  }
  const bool corrupt = options_.corrupt_at >= 0 && static_cast<std::size_t>(options_.corrupt_at) < stream.size() &&
                       (options_.corrupt_dumps < 0 || corrupted_ < options_.corrupt_dumps);
  if (corrupt) {
    // A character changed on the way, to one outside the transfer alphabet.
    stream[static_cast<std::size_t>(options_.corrupt_at)] = '*';
    ++corrupted_;
  }
  return stream;
}

std::string SimInstrument::identification() const {
  std::string text;
  append_encoded(text, options_.type.value_or(image_[5]));
  text += options_.subtype_char.value_or(static_cast<char>('0' + image_[6]));
  append_encoded(text, options_.version[2]);
  append_encoded(text, options_.version[1]);
  append_encoded(text, options_.version[0]);
  return text;
}

std::string SimInstrument::dump_stream() const {
  std::string text;
  text.reserve(2 * image_.size());
  text += static_cast<char>(dump_start);
  for (std::size_t i = image_header_size; i < image_.size(); ++i) append_encoded(text, image_[i]);
  if (!options_.no_end) text += static_cast<char>(dump_end);
  return text;
}

void PacedQueue::push(std::string_view chars, double now) {
  if (empty()) {
    queue_.clear();
    sent_ = 0;
    start_ = now;
  }
  queue_ += chars;
}

std::size_t PacedQueue::allowed(double now) const {
  if (rate_ <= 0) return queue_.size();
  const double due = std::floor((now - start_) * rate_) + 1;
  return due >= static_cast<double>(queue_.size()) ? queue_.size() : static_cast<std::size_t>(std::max(due, 0.0));
}

std::string_view PacedQueue::ready(double now) const {
  const std::size_t a = allowed(now);
  if (a <= sent_) return {};
  return std::string_view(queue_).substr(sent_, a - sent_);
}

void PacedQueue::consumed(std::size_t n) { sent_ = std::min(queue_.size(), sent_ + n); }

double PacedQueue::wait(double now) const {
  if (empty()) return 1.0;
  if (rate_ <= 0) return 0;
  const double due = start_ + static_cast<double>(sent_) / rate_;
  return std::max(0.0, due - now);
}

}  // namespace kalora
