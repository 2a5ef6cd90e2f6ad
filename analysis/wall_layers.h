// The wall's layers as the user names them: a built-in list of common building
// materials or typed values, and what follows from them (the design resistance and
// the heat capacity per square metre).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kalora::analysis {

struct Material {
  std::string_view name;
  double lambda;  // W/(m·K)
  double rho;     // kg/m³
  double c;       // J/(kg·K)
};

// The built-in materials, in the order the layers editor offers them.
const std::vector<Material>& materials();
const Material* find_material(std::string_view name);

struct Layer {
  std::string material;  // a built-in name, or empty for typed values
  double thickness_mm = 0;
  double lambda = 0;
  std::optional<double> rho, c;  // both or neither; without them no capacity

  double resistance() const { return thickness_mm / 1000 / lambda; }
  std::optional<double> capacity() const;  // J/(m²·K)
};

struct Wall {
  std::vector<Layer> layers;               // inside to outside
  std::optional<double> heat_capacity;     // J/(m²·K), given as a total

  bool empty() const { return layers.empty() && !heat_capacity; }
  std::optional<double> resistance() const;  // Σ d/λ, with layers
  bool layered_capacity() const;             // layers, every one of known ρ and c
  std::optional<double> capacity() const;    // of the layers, else the total given
};

// "кирпич керамический:380,минеральная вата:100": a material's name or typed values
// "λ/ρ/c" or "λ" before the colon, the thickness in mm after it. An error message
// instead when the text is not such a list.
struct LayersParse {
  std::vector<Layer> layers;
  std::string error;
};
LayersParse parse_layers(std::string_view text);
std::string layers_text(const std::vector<Layer>& layers);  // read back by parse_layers

}  // namespace kalora::analysis
