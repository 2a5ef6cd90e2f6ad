// The surface resistances a wall's U and Rо are formed with: the heat-transfer
// coefficients of the Russian code for external walls (the default), those of
// ISO 6946, or values the engineer types.
#pragma once

#include <optional>
#include <string_view>

namespace kalora::analysis {

enum class Surface { sp50, iso6946, custom };

struct SurfaceConvention {
  Surface surface;
  std::string_view key;    // in the settings store, the JSON and kalora-cli's --surface
  std::string_view title;  // as the window and the printed pages name it
  double rsi, rse;         // m²·K/W
};

// The named conventions, in the order the window offers them.
inline constexpr SurfaceConvention surface_conventions[] = {
    {Surface::sp50, "sp50", "СП 50.13330 (αв = 8,7, αн = 23)", 1 / 8.7, 1 / 23.0},
    {Surface::iso6946, "iso6946", "ISO 6946 (Rsi = 0,13, Rse = 0,04)", 0.13, 0.04},
};
inline constexpr std::string_view custom_surface_key = "custom";
inline constexpr std::string_view custom_surface_title = "заданные значения";

const SurfaceConvention* find_surface(Surface surface);  // nothing for custom
std::optional<Surface> surface_of_key(std::string_view key);
std::string_view surface_key(Surface surface);
std::string_view surface_title(Surface surface);
// The convention whose values these are, else custom.
Surface surface_of(double rsi, double rse);

}  // namespace kalora::analysis
