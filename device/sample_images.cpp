#include "device/sample_images.h"

#include <array>
#include <cmath>
#include <span>

#include "core/state.h"
#include "decode/fields.h"
#include "decode/layout.h"
#include "device/download.h"
#include "device/transfer.h"

namespace kalora {

namespace {

constexpr std::size_t conductivity_image_size = image_header_size + (expected_len_conductivity - 2) / 2;
constexpr std::size_t flow_image_size = image_header_size + (expected_len_flow - 2) / 2;

// A small fixed generator, so the same command always writes the same files.
class Dice {
 public:
  explicit Dice(std::uint32_t seed) : state_(seed) {}
  // A value in [low, high].
  double between(double low, double high) {
    state_ = state_ * 1664525u + 1013904223u;
    return low + (high - low) * static_cast<double>(state_ >> 8) / static_cast<double>(1u << 24);
  }

 private:
  std::uint32_t state_;
};

struct Clock {
  int day, month, year, hour, minute, second;

  void advance_minutes(int minutes) {
    static constexpr std::array<int, 12> month_days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    minute += minutes;
    hour += minute / 60;
    minute %= 60;
    day += hour / 24;
    hour %= 24;
    while (day > month_days[static_cast<std::size_t>(month - 1)]) {
      day -= month_days[static_cast<std::size_t>(month - 1)];
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
};

class Image {
 public:
  Image(std::uint8_t subtype, std::size_t size) : bytes_(size, 0xFF) {
    bytes_[5] = 5;
    bytes_[6] = subtype;
    put_u16(bytes_, 7, format_version);
    const char magic[] = "kLr!b";
    for (std::size_t i = 0; i < 5; ++i) bytes_[i] = static_cast<std::uint8_t>(magic[i]);
  }

  void u8(std::size_t pos, int value) { bytes_[pos] = static_cast<std::uint8_t>(value); }
  void u16(std::size_t pos, double value) { put_u16(bytes_, pos, static_cast<std::uint32_t>(std::lround(value))); }
  // Hundredths of a degree with the sign in bit 15.
  void temperature(std::size_t pos, double celsius) {
    const auto magnitude = static_cast<std::uint32_t>(std::lround(std::fabs(celsius) * 100)) & 0x7FFF;
    put_u16(bytes_, pos, magnitude | (celsius < 0 ? 0x8000u : 0u));
  }
  void time_date(std::size_t pos, const Clock& c) {
    for (const int v : {c.second, c.minute, c.hour, c.day, c.month, c.year - 2000}) u8(pos++, v);
  }
  void zero(std::size_t pos, std::size_t n) { std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(pos), n, 0); }

  std::vector<std::uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

struct Material {
  double conductivity;  // W/(m·K)
  double thickness;     // mm, stationary samples
  double heat;          // kJ/(kg·K), probe
  double density;       // kg/m³, probe
};

constexpr std::array<Material, 6> materials{{
    {0.038, 50.0, 1.34, 25},   // expanded polystyrene
    {0.042, 40.0, 0.84, 90},   // mineral wool slab
    {0.12, 30.0, 0.84, 400},   // aerated concrete
    {0.21, 25.0, 1.70, 600},   // pine across the grain
    {0.76, 20.0, 0.88, 1800},  // clay brick
    {1.51, 15.0, 0.84, 2350},  // heavy concrete
}};

void stationary_records(Image& image, int count, Dice& dice, Clock clock) {
  image.u16(layout::stat_count, count);
  for (int i = 0; i < count; ++i) {
    const Material& m = materials[static_cast<std::size_t>(i) % materials.size()];
    const std::size_t p = layout::stat_records + layout::stat_record_size * static_cast<std::size_t>(i);
    image.u16(p, m.conductivity * dice.between(0.97, 1.03) * 1000);
    image.u16(p + 2, m.thickness * dice.between(0.98, 1.02) * 10);
    // The cooler runs below zero in every fifth measurement.
    image.temperature(p + 4, i % 5 == 4 ? dice.between(-8, -2) : dice.between(12, 20));
    image.temperature(p + 6, dice.between(35, 45));
    image.time_date(p + 8, clock);
    clock.advance_minutes(static_cast<int>(dice.between(40, 300)));
  }
}

void probe_records(Image& image, int count, Dice& dice, Clock clock) {
  image.u16(layout::zond_count, count);
  for (int i = 0; i < count; ++i) {
    const Material& m = materials[static_cast<std::size_t>(i * 5 + 1) % materials.size()];
    const std::size_t p = layout::zond_records + layout::zond_record_size * static_cast<std::size_t>(i);
    image.u16(p, m.conductivity * dice.between(0.95, 1.05) * 1000);
    image.u16(p + 2, m.heat * 100);
    image.u16(p + 4, m.density);
    image.time_date(p + 6, clock);
    clock.advance_minutes(static_cast<int>(dice.between(10, 120)));
  }
}

std::vector<std::uint8_t> conductivity_image(std::uint8_t methods, std::uint8_t model, int stat, int zond) {
  Image image(1, conductivity_image_size);
  Dice dice(methods * 7919u + 17);
  image.zero(image_header_size, layout::stat_count - image_header_size);
  image.u8(layout::method_flags, methods);
  image.u8(layout::model_index, model);
  image.u16(layout::stat_count, 0);
  image.u16(layout::zond_count, 0);
  if (methods & 1) stationary_records(image, stat, dice, {3, 3, 2025, 9, 15, 40});
  if (methods & 2) probe_records(image, zond, dice, {24, 2, 2025, 10, 5, 12});
  return image.take();
}

// The k-th record of a heat-flow image in the given slot: its index entry set, the
// slot cleared. Returns the slot's offset.
std::size_t flow_slot(Image& image, int k, int slot) {
  image.u8(layout::potok_index + static_cast<std::size_t>(k), slot);
  const std::size_t r = layout::potok_slots + layout::potok_slot_size * static_cast<std::size_t>(slot - 1);
  image.zero(r, layout::potok_slot_size);
  return r;
}

// A heat-flow image with its sensors and record count, its records still to write.
Image flow_header(const std::array<std::uint8_t, 3>& channel_types, int count) {
  Image image(2, flow_image_size);
  image.zero(image_header_size, layout::potok_slots - image_header_size);
  for (std::size_t c = 0; c < 3; ++c) image.u8(layout::channel_type[c], channel_types[c]);
  image.u16(layout::potok_count, count);
  return image;
}

// Heat-flow meter with the sensors 12X80 on channel 1 and 110X110 on channel 3.
std::vector<std::uint8_t> flow_image() {
  constexpr std::array<std::uint8_t, 3> channel_types{2, 0, 5};
  constexpr int count = 30;
  constexpr int first_slot = 186;  // the slots are used as a ring: 186..200, then 1..15

  Image image = flow_header(channel_types, count);
  Dice dice(4242);

  Clock clock{28, 1, 2025, 8, 30, 0};
  for (int k = 0; k < count; ++k) {
    const std::size_t r = flow_slot(image, k, (first_slot - 1 + k) % static_cast<int>(layout::potok_slot_count) + 1);

    const int kind = k % 3;        // total resistance, construction resistance, flux only
    const int mode = (k / 3) % 2;  // operative, observation
    const int channels = k % 4 == 3 ? 0x07 : (k % 5 == 4 ? 0x01 : 0x05);
    image.u8(r, channels);
    image.u8(r + 1, kind | (mode << 7));
    image.time_date(r + 2, clock);
    clock.advance_minutes(mode == 1 ? 30 : static_cast<int>(dice.between(60, 600)));

    const double outside = dice.between(-18, 4);
    for (std::size_t c = 0; c < 3; ++c) {
      if (channel_types[c] == 0 || (channels & (1 << c)) == 0) continue;
      const std::size_t b = r + 8 * (c + 1);
      const double inside = dice.between(18, 23);
      const double resistance = kind == 2 ? 0 : dice.between(0.6, 3.4);
      const double flux = kind == 2 ? dice.between(5, 60) : (inside - outside) / (resistance + 0.16);
      image.u16(b, flux * 100);
      image.u16(b + 2, resistance * 100);
      image.temperature(b + 4, inside);
      image.temperature(b + 6, outside + dice.between(-0.3, 0.3));
    }
  }
  return image.take();
}

// A wall logged for three days in the mode "Наблюдения", surface to surface, every
// 22 minutes: sensors 12X80 on channel 1 and 110X110 on channel 3, a frosty day and
// night outside, the flux following the outer surface an hour and a half late.
std::vector<std::uint8_t> wall_image() {
  constexpr std::array<std::uint8_t, 3> channel_types{2, 0, 5};
  constexpr int count = 200;
  constexpr std::array<double, 3> resistance{2.75, 0, 2.6};  // m²·K/W where each sensor sits
  constexpr double pi = 3.14159265358979323846;
  Image image = flow_header(channel_types, count);
  Dice dice(9869);
  Clock clock{10, 2, 2025, 12, 4, 0};
  const auto outer = [&](double hours) { return -7 + 4.5 * std::sin(2 * pi * (hours - 9) / 24); };
  for (int k = 0; k < count; ++k) {
    const std::size_t r = flow_slot(image, k, k + 1);
    image.u8(r, 0x05);
    image.u8(r + 1, 1 | (1 << 7));
    image.time_date(r + 2, clock);
    clock.advance_minutes(22);
    const double hours = k * 22 / 60.0;
    for (const std::size_t c : {std::size_t{0}, std::size_t{2}}) {
      const std::size_t b = r + 8 * (c + 1);
      const double inside = 18.6 + 0.3 * std::sin(2 * pi * hours / 24) + dice.between(-0.1, 0.1);
      const double outside = outer(hours) + dice.between(-0.2, 0.2);
      const double flux = (inside - outer(hours - 1.5)) / resistance[c] * dice.between(0.96, 1.04);
      image.u16(b, flux * 100);
      image.u16(b + 2, (inside - outside) / flux * 100);
      image.temperature(b + 4, inside);
      image.temperature(b + 6, outside);
    }
  }
  return image.take();
}

// Samples measured several times each, as a laboratory does: the stationary ones at
// several mean temperatures (Tн and Tх 20 °C apart), the probe ones at the room's.
// The comments naming them are typed by samples/make-samples.sh.
struct Specimen {
  double conductivity;  // W/(m·K) at 10 °C, stationary; at the room's temperature, probe
  double slope;         // W/(m·K²), stationary
  double thickness;     // mm, stationary
  double heat;          // kJ/(kg·K), probe
  double density;       // kg/m³, probe
};

struct Measurement {
  int specimen;
  double t_mean;  // °C, stationary
  double factor;  // 1, or a measurement gone wrong
};

constexpr std::array<Specimen, 10> specimens{{
    {0.0365, 0.00013, 50.0, 0, 0},  // expanded polystyrene
    {0.0400, 0.00016, 50.0, 0, 0},  // mineral wool slab
    {0.118, 0.0004, 30.0, 0, 0},    // aerated concrete
    {0.145, 0.0003, 20.0, 0, 0},    // pine across the grain
    {0.70, 0.001, 20.0, 0, 0},      // clay brick
    {1.25, 0, 0, 1.60, 1850},       // loam
    {1.51, 0, 0, 0.84, 2350},       // heavy concrete
    {0.16, 0, 0, 0.84, 600},        // foam concrete
    {0.35, 0, 0, 0.80, 1500},       // dry sand
    {0.15, 0, 0, 1.70, 500},        // pine
}};

constexpr std::array<Measurement, 22> stationary_series{{
    {0, 10, 1}, {0, 10, 1}, {0, 10, 1}, {0, 25, 1}, {0, 25, 1}, {0, 25, 1},    {0, 40, 1}, {0, 40, 1},
    {1, 25, 1}, {1, 25, 1}, {1, 25, 1.15}, {1, 25, 1}, {1, 25, 1}, {2, 12, 1}, {2, 17, 1}, {2, 25, 1},
    {2, 32, 1}, {3, 25, 1}, {3, 25, 1},    {4, 25, 1}, {1, 10, 1}, {1, 10, 1},
}};

constexpr std::array<Measurement, 15> probe_series{{
    {5, 0, 1},
    {5, 0, 1},
    {5, 0, 1},
    {5, 0, 0.8},
    {5, 0, 1},
    {6, 0, 1},
    {6, 0, 1},
    {6, 0, 1},
    {6, 0, 1},
    {7, 0, 1},
    {7, 0, 1},
    {7, 0, 1},
    {8, 0, 1},
    {9, 0, 1},
    {9, 0, 1},
}};

std::vector<std::uint8_t> samples_image() {
  Image image(1, conductivity_image_size);
  Dice dice(2030);
  image.zero(image_header_size, layout::stat_count - image_header_size);
  image.u8(layout::method_flags, 3);
  image.u8(layout::model_index, 1);
  image.u16(layout::stat_count, stationary_series.size());
  Clock clock{14, 4, 2025, 9, 0, 0};
  for (std::size_t i = 0; i < stationary_series.size(); ++i) {
    const Measurement& m = stationary_series[i];
    const Specimen& s = specimens[static_cast<std::size_t>(m.specimen)];
    const std::size_t p = layout::stat_records + layout::stat_record_size * i;
    const double t = m.t_mean + dice.between(-0.3, 0.3);
    const double difference = dice.between(19, 21);
    image.u16(p, (s.conductivity + s.slope * (t - 10)) * m.factor * dice.between(0.995, 1.005) * 1000);
    image.u16(p + 2, s.thickness * dice.between(0.995, 1.005) * 10);
    image.temperature(p + 4, t - difference / 2);
    image.temperature(p + 6, t + difference / 2);
    image.time_date(p + 8, clock);
    clock.advance_minutes(static_cast<int>(dice.between(50, 90)));
  }
  image.u16(layout::zond_count, probe_series.size());
  clock = {16, 4, 2025, 10, 0, 0};
  for (std::size_t i = 0; i < probe_series.size(); ++i) {
    const Measurement& m = probe_series[i];
    const Specimen& s = specimens[static_cast<std::size_t>(m.specimen)];
    const std::size_t p = layout::zond_records + layout::zond_record_size * i;
    image.u16(p, s.conductivity * m.factor * dice.between(0.99, 1.01) * 1000);
    image.u16(p + 2, s.heat * 100);
    image.u16(p + 4, s.density);
    image.time_date(p + 6, clock);
    clock.advance_minutes(static_cast<int>(dice.between(10, 30)));
  }
  return image.take();
}

}  // namespace

std::optional<SampleKind> sample_kind(std::string_view name) {
  if (name == "stat") return SampleKind::stat;
  if (name == "zond") return SampleKind::zond;
  if (name == "both") return SampleKind::both;
  if (name == "flow") return SampleKind::flow;
  if (name == "wall") return SampleKind::wall;
  if (name == "samples") return SampleKind::samples;
  return std::nullopt;
}

std::vector<std::uint8_t> make_sample_image(SampleKind kind) {
  switch (kind) {
    case SampleKind::stat:
      return conductivity_image(1, 0, 12, 0);
    case SampleKind::zond:
      return conductivity_image(2, 1, 0, 15);
    case SampleKind::both:
      return conductivity_image(3, 1, 14, 20);
    case SampleKind::flow:
      return flow_image();
    case SampleKind::wall:
      return wall_image();
    case SampleKind::samples:
      return samples_image();
  }
  return {};
}

}  // namespace kalora
