#include "analysis/wall_layers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kalora::analysis {

namespace {

// λ for the conditions of use A and B, density and specific heat:
// - the Russian code of practice for the thermal protection of buildings
//   (SP 50.13330.2012, appendix T), its rows named below;
// - autoclaved aerated concrete D400–D600: GOST 31359-2007, table A.1 (λ at a moisture
//   content of 4 % by mass for A and 5 % for B);
// - OSB: the row of particle boards of 600 kg/m³ of the same appendix (its λ for A
//   is the design value of EN ISO 10456 for OSB too).
constexpr std::string_view sp50 = "СП 50.13330.2012, прил. Т";
constexpr std::string_view gost31359 = "ГОСТ 31359-2007, табл. А.1 (влажность 4 % и 5 %)";
const std::vector<Material> built_in{
    {"кирпич керамический", 0.70, 0.81, 1800, 880, sp50},  // solid clay brick on cement-sand mortar
    {"кирпич силикатный", 0.76, 0.87, 1800, 880, sp50},    // sand-lime brick on cement-sand mortar
    {"газобетон D400", 0.113, 0.117, 400, 840, gost31359},
    {"газобетон D500", 0.141, 0.147, 500, 840, gost31359},
    {"газобетон D600", 0.160, 0.183, 600, 840, gost31359},
    {"железобетон", 1.92, 2.04, 2500, 840, sp50},
    {"керамзитобетон на керамзитовом песке 1200", 0.44, 0.52, 1200, 840, sp50},
    {"минеральная вата", 0.042, 0.045, 100, 840, sp50},  // stone wool boards of 80–125 kg/m³
    {"пенополистирол", 0.039, 0.041, 25, 1340, sp50},
    {"экструдированный пенополистирол", 0.030, 0.031, 35, 1340, sp50},
    {"штукатурка цементно-песчаная", 0.76, 0.93, 1800, 840, sp50},
    {"штукатурка известковая", 0.70, 0.81, 1600, 840, sp50},  // lime-sand mortar
    {"гипсокартон", 0.19, 0.21, 800, 840, sp50},
    {"дерево (сосна)", 0.14, 0.18, 500, 2300, sp50},  // pine across the grain
    {"OSB", 0.13, 0.16, 650, 1700, "СП 50.13330.2012, прил. Т (плиты древесно-стружечные 600 кг/м³)"},
};

// Names of earlier versions, kept in the walls users saved.
const std::pair<std::string_view, std::string_view> former_names[] = {
    {"керамзитобетон", "керамзитобетон на керамзитовом песке 1200"},
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
  for (const auto& [former, now] : former_names)
    if (name == former) name = now;
  for (const Material& m : built_in)
    if (m.name == name) return &m;
  return nullptr;
}

std::string_view conditions_name(Conditions c) { return c == Conditions::A ? "А" : "Б"; }

std::optional<Conditions> conditions_of(std::string_view text) {
  if (text == "A" || text == "А") return Conditions::A;
  if (text == "B" || text == "Б") return Conditions::B;
  return std::nullopt;
}

void Wall::set_conditions(Conditions c) {
  conditions = c;
  for (Layer& l : layers)
    if (const Material* m = find_material(l.material)) l.lambda = m->lambda(c);
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

LayersParse parse_layers(std::string_view text, Conditions conditions) {
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
      layer.lambda = m->lambda(conditions);
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
