// The wall's layers as the user names them: a built-in list of common building
// materials or typed values, and what follows from them (the design resistance and
// the heat capacity per square metre).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kalora::analysis {

// Conditions of use of the building's envelope: A dry, B normal or wet (the
// humidity zone and the rooms' humidity decide); a material's λ depends on them.
enum class Conditions { A, B };
std::string_view conditions_name(Conditions c);  // "А" or "Б"
// "A", "B" (Latin or Cyrillic); nothing for any other text.
std::optional<Conditions> conditions_of(std::string_view text);

struct Material {
  std::string_view name;
  double lambda_a, lambda_b;  // W/(m·K), conditions of use A and B
  double rho;                 // kg/m³
  double c;                   // J/(kg·K)
  std::string_view source;

  double lambda(Conditions c) const { return c == Conditions::A ? lambda_a : lambda_b; }
};

// The built-in materials, in the order the layers editor offers them.
const std::vector<Material>& materials();
// A built-in material by its name, or by a name it had before.
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
  Conditions conditions = Conditions::B;   // the λ of the built-in materials

  // The conditions, and the built-in layers' λ for them.
  void set_conditions(Conditions c);

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
LayersParse parse_layers(std::string_view text, Conditions conditions = Conditions::B);
std::string layers_text(const std::vector<Layer>& layers);  // read back by parse_layers

}  // namespace kalora::analysis
