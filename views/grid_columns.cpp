#include "views/grid_columns.h"

#include <algorithm>
#include <array>
#include <string>

namespace kalora::views {

namespace {

constexpr auto L = Align::left;
constexpr auto C = Align::centre;
constexpr auto R = Align::right;

constexpr GridColumn stat_columns[] = {
    {"N", "N", "", 80, R, "", false, 0},
    {"DATE", "Дата", "", 77, C, "", false, 0},
    {"TIME", "Время", "", 77, C, "", false, 0},
    {"HEAT", "Теплопроводность", "Ґ, Вт/м·К", 77, R, "0.000", false, 0},
    {"THICK", "Толщина", "образца H, мм", 77, R, "0.0", false, 0},
    {"T_UP", "Температура", "нагревателя Tн, °C", 77, R, "00.0", false, 0},
    {"T_DOWN", "Температура", "холодильника Tх, °C", 77, R, "00.0", false, 0},
    {"R", "R, кв.м·К/Вт", "", 77, R, "0.000", false, 0},
    {"Q", "q, Вт/кв.м", "", 76, R, "000.0", false, 0},
    {"COMMENT", "Примечание", "", 76, L, "", true, 0},
};

constexpr GridColumn zond_columns[] = {
    {"N", "N", "", 110, R, "", false, 0},
    {"DATE", "Дата", "", 111, C, "", false, 0},
    {"TIME", "Время", "", 111, C, "", false, 0},
    {"HEAT", "Теплопроводность", "Ґ, Вт/м·К", 110, R, "0.000", false, 0},
    {"SHEAT", "Уд. теплоемкость,", "c, кДж/кг·К", 110, R, "0.000", false, 0},
    {"THICK", "Плотность", "ў, кг/куб.м.", 111, R, "", false, 0},
    {"COMMENT", "Примечание", "", 111, L, "", true, 0},
};

constexpr GridColumn flow_columns[] = {
    {"N", "N", "", 47, R, "", false, 0},
    {"DATE", "Дата", "", 105, C, "", false, 0},
    {"TIME", "Время", "", 127, C, "", false, 0},
    {"MODE_", "Режим", "", 103, C, "", false, 0},
    {"TYPE_1_", "Тип", "преобразователя №1", 122, C, "", false, 0},
    {"TYPE_2_", "Тип", "преобразователя №2", 122, C, "", false, 1},
    {"TYPE_3_", "Тип", "преобразователя №3", 122, C, "", false, 2},
    {"POTOK_1", "Тепловой поток №1", "q, Вт/кв.м", 131, R, "000.0", false, 0},
    {"POTOK_2", "Тепловой поток №2", "q, Вт/кв.м", 131, R, "000.0", false, 1},
    {"POTOK_3", "Тепловой поток №3", "q, Вт/кв.м", 131, R, "000.0", false, 2},
    {"COMMENT_1", "Примечание", "для преобр. №1", 133, L, "", true, 0},
    {"COMMENT_2", "Примечание", "для преобр. №2", 133, L, "", true, 1},
    {"COMMENT_3", "Примечание", "для преобр. №3", 133, L, "", true, 2},
};

// The "Rк" and "Ro" grids differ only in widths, the N alignment and the symbols of their titles.
struct ResistanceGrid {
  int n, date, time, mode, type, potok, res, t_in, t_ext, comment;
  Align n_align;
  std::string_view res_title, t_in_title, t_ext_title;
};

constexpr std::array<GridColumn, 22> resistance_columns(const ResistanceGrid& g) {
  std::array<GridColumn, 22> c{};
  c[0] = {"N", "N", "", g.n, g.n_align, "", false, 0};
  c[1] = {"DATE", "Дата", "", g.date, C, "", false, 0};
  c[2] = {"TIME", "Время", "", g.time, C, "", false, 0};
  c[3] = {"MODE_", "Режим", "", g.mode, C, "", false, 0};
  constexpr std::string_view types[] = {"TYPE_1_", "TYPE_2_", "TYPE_3_"};
  constexpr std::string_view type_titles[] = {"преобразователя №1", "преобразователя №2", "преобразователя №3"};
  constexpr std::string_view potoks[] = {"POTOK_1", "POTOK_2", "POTOK_3"};
  constexpr std::string_view potok_titles[] = {"Тепловой поток №1", "Тепловой поток №2", "Тепловой поток №3"};
  constexpr std::string_view ress[] = {"RES_1", "RES_2", "RES_3"};
  constexpr std::string_view res_titles[] = {"Термич. сопрот. №1", "Термич. сопрот. №2", "Термич. сопрот. №3"};
  constexpr std::string_view t_ins[] = {"T_IN_1", "T_IN_2", "T_IN_3"};
  constexpr std::string_view t_exts[] = {"T_EXT_1", "T_EXT_2", "T_EXT_3"};
  constexpr std::string_view t_titles[] = {"Температура №1", "Температура №2", "Температура №3"};
  constexpr std::string_view comments[] = {"COMMENT_1", "COMMENT_2", "COMMENT_3"};
  constexpr std::string_view comment_titles[] = {"для преобр. №1", "для преобр. №2", "для преобр. №3"};
  for (int n = 0; n < 3; ++n) {
    c[4 + n] = {types[n], "Тип", type_titles[n], g.type, C, "", false, n};
    c[7 + n] = {potoks[n], potok_titles[n], "q, Вт/кв.м", g.potok, R, "000.0", false, n};
    c[10 + n] = {ress[n], res_titles[n], g.res_title, g.res, R, "0.000", false, n};
    c[13 + n] = {t_ins[n], t_titles[n], g.t_in_title, g.t_in, R, "00.0", false, n};
    c[16 + n] = {t_exts[n], t_titles[n], g.t_ext_title, g.t_ext, R, "00.0", false, n};
    c[19 + n] = {comments[n], "Примечание", comment_titles[n], g.comment, L, "", true, n};
  }
  return c;
}

constexpr auto rk_columns =
    resistance_columns({28, 69, 54, 70, 95, 92, 88, 88, 86, 95, R, "Rк, кв.м·К/Вт", "ів,°C", "ін,°C"});
constexpr auto ro_columns =
    resistance_columns({31, 68, 68, 64, 88, 89, 89, 90, 90, 88, C, "Rо, кв.м·К/Вт", "tв,°C", "tн,°C"});

}  // namespace

std::span<const GridColumn> grid_columns(int grid) {
  switch (grid) {
    case 1:
      return stat_columns;
    case 2:
      return zond_columns;
    case 3:
      return flow_columns;
    case 4:
      return rk_columns;
    case 5:
      return ro_columns;
    default:
      return {};
  }
}

std::vector<ColumnGroup> column_groups(std::span<const GridColumn> columns) {
  std::vector<ColumnGroup> groups;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const int level = columns[i].level;
    if (level == 0 || groups.empty()) groups.emplace_back();
    if (level >= 0 && level < 3) groups.back().at[static_cast<std::size_t>(level)] = static_cast<int>(i);
  }
  return groups;
}

int record_lines(std::span<const GridColumn> columns) {
  int lines = 1;
  for (const auto& c : columns) lines = std::max(lines, c.level + 1);
  return lines;
}

bool is_channel_column(std::string_view field, int channel) {
  if (channel < 1 || channel > 3) return false;
  const std::string n = std::to_string(channel);
  for (const std::string_view prefix : {"TYPE_", "POTOK_", "RES_", "T_IN_", "T_EXT_", "COMMENT_"}) {
    if (!field.starts_with(prefix)) continue;
    const std::string_view rest = field.substr(prefix.size());
    if (rest == n || (prefix == "TYPE_" && rest == n + "_")) return true;
  }
  return false;
}

}  // namespace kalora::views
