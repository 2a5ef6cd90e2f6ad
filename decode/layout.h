// Where things lie in the device image (offsets count from the image's first byte;
// the instrument memory starts at offset 9).
#pragma once

#include <cstddef>

namespace kalora::layout {

inline constexpr std::size_t device_type = 5;
inline constexpr std::size_t device_subtype = 6;

// Heat-conductivity meter (subtype 1).
inline constexpr std::size_t method_flags = 18;  // bit 0 stationary, bit 1 probe
inline constexpr std::size_t model_index = 20;
inline constexpr std::size_t stat_count = 84;
inline constexpr std::size_t stat_records = 86;
inline constexpr std::size_t stat_record_size = 14;
inline constexpr std::size_t stat_area_end = 1558;  // first byte after the stationary area
inline constexpr std::size_t zond_count = 1558;
inline constexpr std::size_t zond_records = 1568;
inline constexpr std::size_t zond_record_size = 12;

// Heat-flow meter (subtype 2).
inline constexpr std::size_t channel_type[3] = {21, 24, 27};
inline constexpr std::size_t potok_count = 72;
inline constexpr std::size_t potok_slots = 74;
inline constexpr std::size_t potok_slot_size = 32;
inline constexpr std::size_t potok_slot_count = 200;
inline constexpr std::size_t potok_index = 6474;

}  // namespace kalora::layout
