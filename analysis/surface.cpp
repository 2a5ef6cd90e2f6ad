#include "analysis/surface.h"

namespace kalora::analysis {

const SurfaceConvention* find_surface(Surface surface) {
  for (const SurfaceConvention& c : surface_conventions)
    if (c.surface == surface) return &c;
  return nullptr;
}

std::optional<Surface> surface_of_key(std::string_view key) {
  for (const SurfaceConvention& c : surface_conventions)
    if (c.key == key) return c.surface;
  if (key == custom_surface_key) return Surface::custom;
  return std::nullopt;
}

std::string_view surface_key(Surface surface) {
  const SurfaceConvention* c = find_surface(surface);
  return c ? c->key : custom_surface_key;
}

std::string_view surface_title(Surface surface) {
  const SurfaceConvention* c = find_surface(surface);
  return c ? c->title : custom_surface_title;
}

Surface surface_of(double rsi, double rse) {
  for (const SurfaceConvention& c : surface_conventions)
    if (c.rsi == rsi && c.rse == rse) return c.surface;
  return Surface::custom;
}

}  // namespace kalora::analysis
