// Messages of the database routines and commands.
#pragma once

#include <array>
#include <string_view>

namespace kalora::db::texts {

inline constexpr std::string_view damaged_database = "База данных повреждена !";
inline constexpr std::string_view unknown_database = "Неизвестная база данных !";
inline constexpr std::string_view save_question = "Сохранить изменения в таблицах ?";
inline constexpr std::string_view drop_download_question =
    "Загруженные с прибора данные не сохранены в базе данных. Отказаться от них?";
inline constexpr std::string_view database_in_use = "База данных открыта другой программой: ";
inline constexpr std::string_view type_mismatch = "Тип прибора и открытая база не совпадают!";
inline constexpr std::string_view title_suffix = " - КАЛОРА-5";

inline constexpr std::string_view databases_filter = "Базы данных|*.db";
inline constexpr std::string_view images_filter = "Двоичные файлы|*.bin";

// The tables by number (1..3 at index 0..2), as the messages name them.
inline constexpr std::array<std::string_view, 3> table_of = {"стационарного метода", "зондового метода",
                                                             "теплового потока"};

}  // namespace kalora::db::texts
