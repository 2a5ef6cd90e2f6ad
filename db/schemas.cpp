#include "db/schemas.h"

#include <array>

namespace kalora::db {

namespace {

constexpr FieldDef small_int(std::string_view name) { return {name, 'N', 4, 0}; }
constexpr FieldDef real(std::string_view name) { return {name, 'N', 18, 9}; }
constexpr FieldDef text(std::string_view name, std::uint8_t size) { return {name, 'C', size, 0}; }
constexpr FieldDef display(std::string_view name, std::uint8_t size) { return {name, 'C', size, 0, true}; }

constexpr std::array stat_fields{
    small_int("N"),   real("HEAT"),    real("THICK"), real("T_UP"), real("T_DOWN"),
    text("DATE", 10), text("TIME", 8), real("R"),     real("Q"),    text("COMMENT", 50),
};

// THICK holds the probe's density, a whole number; DATE comes last.
constexpr std::array zond_fields{
    small_int("N"),  real("HEAT"),        real("SHEAT"),    small_int("THICK"),
    text("TIME", 8), text("COMMENT", 50), text("DATE", 10),
};

constexpr std::array potok_fields{
    small_int("N"),         small_int("MODE"),      small_int("MEASUR"),    text("DATE", 10),     text("TIME", 8),
    small_int("TYPE_1"),    real("POTOK_1"),        real("RES_1"),          real("T_IN_1"),       real("T_EXT_1"),
    small_int("TYPE_2"),    real("POTOK_2"),        real("RES_2"),          real("T_IN_2"),       real("T_EXT_2"),
    small_int("TYPE_3"),    real("POTOK_3"),        real("RES_3"),          real("T_IN_3"),       real("T_EXT_3"),
    display("TYPE_1_", 15), display("TYPE_2_", 15), display("TYPE_3_", 15), display("MODE_", 20), text("COMMENT_1", 50),
    text("COMMENT_2", 50),  text("COMMENT_3", 50),
};

}  // namespace

constinit const Schema stat_schema{"stat", stat_fields};
constinit const Schema zond_schema{"zond", zond_fields};
constinit const Schema potok_schema{"potok_data", potok_fields};

}  // namespace kalora::db
