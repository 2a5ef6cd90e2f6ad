#include "analysis/stored_heat.h"

#include <cmath>

namespace kalora::analysis {

namespace {

constexpr double day_seconds = 86400;

struct Surfaces {
  double inner = 0, outer = 0;
};

template <typename Keep>
Surfaces mean_surfaces(const SurfaceSeries& s, Keep keep) {
  Surfaces m;
  int count = 0;
  for (std::size_t i = 0; i < s.seconds.size(); ++i) {
    if (!keep(s.seconds[i])) continue;
    m.inner += s.t_si[i];
    m.outer += s.t_se[i];
    ++count;
  }
  m.inner /= count;
  m.outer /= count;
  return m;
}

// J/m² held above 0 °C by the layers with a steady profile between the surfaces.
double stored(const Wall& wall, const Surfaces& surfaces) {
  const double total = *wall.resistance();
  double before = 0;
  double heat = 0;
  for (const Layer& l : wall.layers) {
    const double middle = surfaces.inner - (surfaces.inner - surfaces.outer) * (before + l.resistance() / 2) / total;
    heat += *l.capacity() * middle;
    before += l.resistance();
  }
  return heat;
}

}  // namespace

std::optional<double> stored_heat_percent(const SurfaceSeries& s, const Wall& wall) {
  const auto capacity = wall.capacity();
  if (!capacity || s.seconds.size() < 2) return std::nullopt;
  const double span = s.seconds.back() - s.seconds.front();
  if (span < day_seconds) return std::nullopt;
  const Surfaces first = mean_surfaces(s, [&](double t) { return t <= s.seconds.front() + day_seconds; });
  const Surfaces last = mean_surfaces(s, [&](double t) { return t >= s.seconds.back() - day_seconds; });
  double change = 0;
  if (!wall.layered_capacity()) {
    change = *capacity * ((last.inner + last.outer) - (first.inner + first.outer)) / 2;
  } else {
    change = stored(wall, last) - stored(wall, first);
  }
  double passed = 0;
  for (std::size_t i = 1; i < s.seconds.size(); ++i) passed += s.q[i] * (s.seconds[i] - s.seconds[i - 1]);
  if (!(std::fabs(passed) > 0)) return std::nullopt;
  return std::fabs(change) / std::fabs(passed) * 100;
}

}  // namespace kalora::analysis
