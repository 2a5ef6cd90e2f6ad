#include "analysis/wall_layers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kalora::analysis {

namespace {

// Thermal conductivity for dry indoor conditions of use, density and specific heat:
// - brick, concrete, mortars, plasterboard, pine, expanded clay concrete and the
//   insulations: the Russian code of practice for the thermal protection of buildings
//   (SP 50.13330.2012, appendix T, column "A");
// - autoclaved aerated concrete D400–D600: GOST 31359-2007, table A.1 (conductivity at
//   a moisture content of 4 % by mass);
// - OSB: EN ISO 10456:2007, table 3.
const std::vector<Material> built_in{
    {"кирпич керамический", 0.70, 1800, 880},
    {"кирпич силикатный", 0.76, 1800, 880},
    {"газобетон D400", 0.113, 400, 840},
    {"газобетон D500", 0.141, 500, 840},
    {"газобетон D600", 0.160, 600, 840},
    {"железобетон", 1.92, 2500, 840},
    {"керамзитобетон", 0.44, 1200, 840},
    {"минеральная вата", 0.042, 100, 840},
    {"пенополистирол", 0.039, 25, 1340},
    {"экструдированный пенополистирол", 0.030, 35, 1340},
    {"штукатурка цементно-песчаная", 0.76, 1800, 840},
    {"штукатурка известковая", 0.70, 1600, 840},
    {"гипсокартон", 0.19, 800, 840},
    {"дерево (сосна)", 0.14, 500, 2300},
    {"OSB", 0.13, 650, 1700},
};

std::string_view trimmed(std::string_view s) {
  const auto a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return {};
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

std::optional<double> positive(std::string_view s) {
  s = trimmed(s);
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc{} || end != s.data() + s.size() || !std::isfinite(v) || !(v > 0)) return {};
  return v;
}

std::string shortest(double v) {
  char b[32];
  return {b, std::to_chars(b, b + sizeof b, v).ptr};
}

}  // namespace

const std::vector<Material>& materials() { return built_in; }

const Material* find_material(std::string_view name) {
  for (const Material& m : built_in)
    if (m.name == name) return &m;
  return nullptr;
}

std::optional<double> Layer::capacity() const {
  if (!rho || !c) return std::nullopt;
  return thickness_mm / 1000 * *rho * *c;
}

std::optional<double> Wall::resistance() const {
  if (layers.empty()) return std::nullopt;
  double r = 0;
  for (const Layer& l : layers) r += l.resistance();
  return r;
}

bool Wall::layered_capacity() const {
  return !layers.empty() && std::all_of(layers.begin(), layers.end(), [](const Layer& l) { return l.capacity(); });
}

std::optional<double> Wall::capacity() const {
  if (!layered_capacity()) return heat_capacity;
  double sum = 0;
  for (const Layer& l : layers) sum += *l.capacity();
  return sum;
}

LayersParse parse_layers(std::string_view text) {
  LayersParse out;
  auto fail = [&](std::string message) {
    out.layers.clear();
    out.error = std::move(message);
    return out;
  };
  if (trimmed(text).empty()) return out;
  while (true) {
    const auto comma = text.find(',');
    const std::string_view item = trimmed(text.substr(0, comma));
    const auto colon = item.rfind(':');
    if (colon == std::string_view::npos) return fail("слой без толщины: «" + std::string(item) + "»");
    const std::string_view what = trimmed(item.substr(0, colon));
    const auto thickness = positive(item.substr(colon + 1));
    if (!thickness) return fail("неверная толщина слоя: «" + std::string(item) + "»");
    Layer layer;
    layer.thickness_mm = *thickness;
    if (const Material* m = find_material(what)) {
      layer.material = std::string(m->name);
      layer.lambda = m->lambda;
      layer.rho = m->rho;
      layer.c = m->c;
    } else {
      // Typed values: λ, or λ/ρ/c.
      std::vector<std::optional<double>> values;
      std::string_view rest = what;
      while (true) {
        const auto slash = rest.find('/');
        values.push_back(positive(rest.substr(0, slash)));
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
      }
      const bool all = std::all_of(values.begin(), values.end(), [](const auto& v) { return v.has_value(); });
      if (!all || (values.size() != 1 && values.size() != 3))
        return fail("неизвестный материал: «" + std::string(what) + "»");
      layer.lambda = *values[0];
      if (values.size() == 3) layer.rho = values[1], layer.c = values[2];
    }
    out.layers.push_back(layer);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return out;
}

std::string layers_text(const std::vector<Layer>& layers) {
  std::string out;
  for (const Layer& l : layers) {
    if (!out.empty()) out += ',';
    if (!l.material.empty()) {
      out += l.material;
    } else {
      out += shortest(l.lambda);
      if (l.rho && l.c) out += '/' + shortest(*l.rho) + '/' + shortest(*l.c);
    }
    out += ':' + shortest(l.thickness_mm);
  }
  return out;
}

}  // namespace kalora::analysis
