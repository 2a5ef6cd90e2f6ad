// Texts of the program that more than one routine shows.
#pragma once

#include <string_view>

namespace kalora::texts {

inline constexpr std::string_view program_title = "КАЛОРА-5";
inline constexpr std::string_view caption_error = "Ошибка";
inline constexpr std::string_view caption_information = "Дополнение";

inline constexpr std::string_view wrong_device_type = "Ошибочные данные или неверный тип прибора";
inline constexpr std::string_view unknown_subtype = "Ошибочные данные или неизвестный подтип тепломера";

}  // namespace kalora::texts
