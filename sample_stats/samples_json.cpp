#include "sample_stats/samples_json.h"

#include "core/json_writer.h"

namespace kalora::samples {

namespace {

void numbers_of_rows(JsonWriter& w, const SampleResults& results, const std::vector<std::size_t>& rows) {
  w.open('[');
  for (const std::size_t i : rows) w.number(results.rows[i].n);
  w.close(']');
}

void write_fit(JsonWriter& w, const std::optional<LineFit>& fit) {
  if (!fit) return w.null();
  w.open('{');
  w.key("lambda0"), w.number(fit->lambda0);
  w.key("b"), w.number(fit->b);
  w.key("r2"), w.number(fit->r2);
  w.key("lambda10"), w.number(fit->lambda_low);
  w.key("lambda25"), w.number(fit->lambda_high);
  w.key("t_min"), w.number(fit->t_min);
  w.key("t_max"), w.number(fit->t_max);
  w.key("lambda10_outside"), w.boolean(fit->low_outside);
  w.key("lambda25_outside"), w.boolean(fit->high_outside);
  w.close('}');
}

void write_group(JsonWriter& w, const SampleResults& results, const SampleGroup& g) {
  w.open('{');
  w.key("name"), w.string(g.name);
  w.key("commented"), w.boolean(g.commented);
  w.key("rows"), numbers_of_rows(w, results, g.rows);
  w.key("n"), w.integer(static_cast<std::int64_t>(g.n));
  const std::pair<const char*, std::optional<double>> lambda[] = {
      {"lambda_mean", g.lambda_mean}, {"lambda_sd", g.lambda_sd},   {"lambda_cv", g.lambda_cv},
      {"lambda_ci95", g.lambda_ci95}, {"lambda_min", g.lambda_min}, {"lambda_max", g.lambda_max}};
  for (const auto& [key, v] : lambda) w.key(key), w.number(v);
  if (results.method == Method::stationary) {
    const std::pair<const char*, std::optional<double>> means[] = {
        {"thick_mean", g.thick_mean}, {"r_mean", g.r_mean}, {"q_mean", g.q_mean}, {"t_mean", g.t_mean}};
    for (const auto& [key, v] : means) w.key(key), w.number(v);
  } else {
    const std::pair<const char*, std::optional<double>> means[] = {
        {"c_mean", g.c_mean}, {"rho_mean", g.rho_mean}, {"a_mm2_s", g.diffusivity}};
    for (const auto& [key, v] : means) w.key(key), w.number(v);
  }
  w.key("fit"), write_fit(w, g.fit);
  w.key("outliers"), numbers_of_rows(w, results, g.outliers);
  w.close('}');
}

}  // namespace

std::string to_json(const SampleResults& results) {
  JsonWriter w;
  w.open('{');
  w.key("table"), w.integer(static_cast<int>(results.method));
  w.key("groups");
  w.open('[');
  for (const SampleGroup& g : results.groups) write_group(w, results, g);
  w.close(']');
  w.close('}');
  w.text += '\n';
  return w.text;
}

}  // namespace kalora::samples
