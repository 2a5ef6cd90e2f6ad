#include "sample_stats/samples_text.h"

#include "reports/number_format.h"

namespace kalora::samples {

namespace {

constexpr std::string_view none = "—";
constexpr std::string_view lambda_unit = ", Вт/(м·К)";

Figure number(std::string label, std::optional<double> v, std::string pattern, std::string note = {}) {
  Figure f{std::move(label), v, std::move(pattern), {}, std::move(note)};
  f.text = v ? reports::format_number(*v, f.pattern) : std::string(none);
  return f;
}

Figure words(std::string label, std::string text) { return {std::move(label), std::nullopt, {}, std::move(text), {}}; }

std::string outside_note(bool outside) { return outside ? "вне диапазона tср" : ""; }

void fit_figures(std::vector<Figure>& out, const SampleGroup& g) {
  const LineFit* f = g.fit ? &*g.fit : nullptr;
  const std::string why = g.no_fit == NoFit::few_rows      ? "меньше 3 строк"
                          : g.no_fit == NoFit::narrow_span ? "разброс tср меньше 5 °C"
                                                           : "";
  out.push_back(number("λ0" + std::string(lambda_unit), f ? std::optional(f->lambda0) : std::nullopt, "0.0000", why));
  out.push_back(number("b, Вт/(м·К²)", f ? std::optional(f->b) : std::nullopt, "0.000000"));
  out.push_back(number("r²", f ? f->r2 : std::nullopt, "0.0000"));
  out.push_back(number("λ(10 °C)" + std::string(lambda_unit), f ? std::optional(f->lambda_low) : std::nullopt,
                       "0.0000", f ? outside_note(f->low_outside) : ""));
  out.push_back(number("λ(25 °C)" + std::string(lambda_unit), f ? std::optional(f->lambda_high) : std::nullopt,
                       "0.0000", f ? outside_note(f->high_outside) : ""));
}

}  // namespace

std::string method_name(Method method) {
  return method == Method::stationary ? "Стационарный метод" : "Зондовый метод";
}

std::string row_numbers(const SampleResults& results, const std::vector<std::size_t>& rows) {
  std::string out;
  for (const std::size_t i : rows) {
    if (!out.empty()) out += ", ";
    const auto& n = results.rows[i].n;
    out += n ? reports::format_number(*n, "0") : std::string(none);
  }
  return out;
}

std::vector<Figure> group_figures(const SampleResults& results, const SampleGroup& g) {
  std::vector<Figure> out;
  out.push_back(number("n", static_cast<double>(g.n), "0"));
  out.push_back(number("λ ср." + std::string(lambda_unit), g.lambda_mean, "0.0000"));
  out.push_back(number("СКО" + std::string(lambda_unit), g.lambda_sd, "0.0000"));
  out.push_back(number("CV, %", g.lambda_cv, "0.00"));
  out.push_back(number("±Δ 95 %" + std::string(lambda_unit), g.lambda_ci95, "0.0000"));
  out.push_back(number("λ мин." + std::string(lambda_unit), g.lambda_min, "0.000"));
  out.push_back(number("λ макс." + std::string(lambda_unit), g.lambda_max, "0.000"));
  if (results.method == Method::stationary) {
    out.push_back(number("H ср., мм", g.thick_mean, "0.0"));
    out.push_back(number("R ср., м²·К/Вт", g.r_mean, "0.000"));
    out.push_back(number("q ср., Вт/м²", g.q_mean, "0.0"));
    out.push_back(number("tср, °C", g.t_mean, "0.00"));
    fit_figures(out, g);
  } else {
    out.push_back(number("c ср., кДж/(кг·К)", g.c_mean, "0.00"));
    out.push_back(number("ρ ср., кг/м³", g.rho_mean, "0"));
    out.push_back(number("a, мм²/с", g.diffusivity, "0.000"));
  }
  const std::string outliers = g.n < outlier_min_rows ? std::string(none)
                               : g.outliers.empty()   ? std::string("нет")
                                                      : "N " + row_numbers(results, g.outliers);
  out.push_back(words("Возможные выбросы", outliers));
  return out;
}

std::vector<std::string> legend(Method method) {
  std::vector<std::string> lines{
      "Группа: строки с одинаковым примечанием (без учёта пробелов по краям и регистра букв).",
      "СКО: стандартное отклонение λ (n − 1); CV: коэффициент вариации; ±Δ 95 %: полуширина 95 % доверительного "
      "интервала среднего по Стьюденту (n − 1 степеней свободы).",
  };
  if (method == Method::stationary)
    lines.push_back(
        "tср = (Tн + Tх)/2; λ = λ0 + b·tср: прямая по методу наименьших квадратов при разбросе tср не меньше 5 °C и "
        "не меньше 3 строк, r²: коэффициент детерминации.");
  else
    lines.push_back("a = λ/(ρ·c): температуропроводность по средним значениям.");
  lines.push_back("Возможный выброс: значение дальше 3 СКО остальных значений от их среднего (при n ≥ 4); "
                  "из расчёта не исключается.");
  return lines;
}

std::string samples_text(const SampleResults& results) {
  std::string out = method_name(results.method) + ": строк " + std::to_string(results.rows.size()) + ", групп " +
                    std::to_string(results.groups.size()) + '\n';
  for (const SampleGroup& g : results.groups) {
    out += "Образец: " + g.name + " (N " + row_numbers(results, g.rows) + ")\n";
    for (const Figure& f : group_figures(results, g)) {
      out += "  " + f.label + ": " + f.text;
      if (!f.note.empty()) out += " (" + f.note + ')';
      out += '\n';
    }
  }
  return out;
}

}  // namespace kalora::samples
