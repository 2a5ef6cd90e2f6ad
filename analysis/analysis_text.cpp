#include "analysis/analysis_text.h"

#include "analysis/measuring_time.h"
#include "reports/number_format.h"

namespace kalora::analysis {

namespace {

std::string number(std::optional<double> v, std::string_view pattern, std::string_view unit = {}) {
  if (!v) return "—";
  std::string s = reports::format_number(*v, pattern);
  if (!unit.empty()) s += ' ' + std::string(unit);
  return s;
}

constexpr std::string_view resistance_unit = "м²·К/Вт";

std::string criterion2(const ChannelResult& c) {
  if (!c.c2) return verdict(c.c2) + (c.hours * 3600 < day ? " (измерение короче 24 ч)" : " (R24 не определено)");
  return verdict(c.c2) + " (R24 = " + number(c.R24, "0.000") + ", отклонение " + number(c.dev24, "0.00") + " %)";
}

std::string criterion3(const ChannelResult& c) {
  if (!c.c3) {
    if (c.m_days < 1) return verdict(c.c3) + " (измерение короче полутора суток)";
    return verdict(c.c3) + " (R за 2/3 периода не определено)";
  }
  return verdict(c.c3) + " (" + std::to_string(c.m_days) + " сут., R начала = " + number(c.R_first, "0.000") +
         ", R конца = " + number(c.R_last, "0.000") + ", отклонение " + number(c.dev23, "0.00") + " %)";
}

std::string criterion4(const ChannelResult& c) {
  if (!c.c4) return "не проверялся";
  return verdict(c.c4) + " (изменение накопленного тепла " + number(c.stored_heat_pct, "0.00") +
         " % от прошедшего через стену)";
}

// The engineer's terms: the measured R of a surface-to-surface series is the
// construction's thermal resistance Rк, of an air-to-air series the resistance to
// heat transfer Rо; U is the heat-transfer coefficient, 1/Rо.
constexpr std::string_view rk_term = "термическое сопротивление конструкции Rк";
constexpr std::string_view ro_term = "сопротивление теплопередаче Rо";
constexpr std::string_view u_term = "коэффициент теплопередачи U";

std::optional<double> inverse(std::optional<double> u) {
  return u && *u > 0 ? std::optional<double>(1 / *u) : std::nullopt;
}

std::string method_name(const std::string& method) {
  if (method == "greybox") return "модель стены (RC)";
  return method == "dynamic" ? "динамический метод" : "метод средних значений";
}

}  // namespace

std::string kind_name(int kind) { return kind == 0 ? "Rо" : "Rк"; }

std::string series_title(const SeriesResult& s) {
  return "Серия " + std::to_string(s.index) + ": " + kind_name(s.kind) + ", " + clock_text(s.first) + " – " +
         clock_text(s.last) + ", записей " + std::to_string(s.records) + ", часов " + number(s.hours(), "0.0");
}

std::string span_line(const SeriesResult& s, const AnalysisOptions& o) {
  if (o.span.whole()) return {};
  if (s.analysed < 2) return "В выбранном промежутке меньше двух записей";
  return "Анализируемый промежуток: " + clock_text(s.from) + " – " + clock_text(s.to) + ", записей " +
         std::to_string(s.analysed);
}

std::string verdict(std::optional<bool> passed) {
  return !passed ? "недостаточно данных" : *passed ? "выполнен" : "не выполнен";
}

std::string overall(const ChannelResult& c) { return c.iso ? "критерии 1–3 выполнены" : "критерии 1–3 не выполнены"; }

std::vector<ResultLine> channel_lines(const ChannelResult& c) {
  return {
      {"Записей", std::to_string(c.records())},
      {"Часов", number(c.hours, "0.0")},
      {"R", number(c.R, "0.000", resistance_unit)},
      {"U", number(c.U, "0.000", "Вт/(м²·К)")},
      {"q среднее", number(c.q_mean, "0.00", "Вт/м²")},
      {"ΔT среднее", number(c.dT_mean, "0.00", "°C")},
      {"R прибора (среднее по записям)", number(c.res_mean, "0.000", resistance_unit)},
      {"Критерий 1 (не менее 72 ч)", verdict(c.c1) + " (" + number(c.hours, "0.0") + " ч)"},
      {"Критерий 2 (последние 24 ч)", criterion2(c)},
      {"Критерий 3 (первые и последние 2/3)", criterion3(c)},
      {"Критерий 4 (накопленное тепло)", criterion4(c)},
      {"Итог", overall(c)},
  };
}

std::vector<ResultLine> dynamic_lines(const ChannelResult& c) {
  if (!c.dynamic) return {{"R", "— (" + c.dynamic_reason + ")"}};
  const DynamicResult& d = *c.dynamic;
  return {
      {"R", number(d.R, "0.000", resistance_unit)},
      {"U", number(d.U, "0.000", "Вт/(м²·К)")},
      {"Интервал 90 %", "±" + number(d.I_rel * 100, "0.00") + " %"},
      {"τ", number(d.tau_h, "0.0", "ч")},
      {"Уравнений", std::to_string(d.M)},
  };
}

std::vector<ResultLine> greybox_lines(const ChannelResult& c) {
  if (!c.greybox) return {{"R", "— (" + c.greybox_reason + ")"}};
  const GreyboxResult& g = *c.greybox;
  std::string taus;
  for (const double t : g.tau_h) taus += (taus.empty() ? "" : "; ") + number(t, "0.0");
  return {
      {"R", number(g.R, "0.000", resistance_unit)},
      {"U", number(g.U, "0.000", "Вт/(м²·К)")},
      {"Интервал 90 %", number(g.R_lo, "0.000") + " … " + number(g.R_hi, "0.000", resistance_unit)},
      {"Теплоёмкостей в модели", std::to_string(g.capacities)},
      {"Постоянные времени", taus + " ч"},
      {"Остатки белые (p Льюнга–Бокса)", number(g.white_p, "0.000")},
  };
}

std::vector<ResultLine> verdict_lines(const ChannelResult& c) {
  const Verdict& v = c.verdict;
  std::string best = number(v.R_best, "0.000", resistance_unit);
  if (v.R_best) best += " (" + method_name(v.method) + ")";
  std::vector<ResultLine> lines{{"Вердикт", v.reason}, {std::string(c.kind == 0 ? "Rо" : "Rк") + " рекомендуемое", best}};
  if (v.R_lo && v.R_hi)
    lines.push_back(
        {"Интервал 90 % для R", number(v.R_lo, "0.000") + " … " + number(v.R_hi, "0.000", resistance_unit)});
  if (const std::string advice = measuring_advice(c); !advice.empty()) lines.push_back({"Что делать", advice});
  return lines;
}

std::vector<SideBySideRow> side_by_side(const ChannelResult& c) {
  const auto& d = c.dynamic;
  const std::string none = "—";
  std::vector<SideBySideRow> rows;
  // The verdict first, where it is seen without scrolling.
  for (const ResultLine& l : verdict_lines(c)) rows.push_back({l.label, l.value, {}, {}, true, true});
  // A soft hyphen lets a narrow column break the long word.
  const auto& g = c.greybox;
  std::string taus = none;
  if (g) {
    taus.clear();
    for (const double t : g->tau_h) taus += (taus.empty() ? "" : "; ") + number(t, "0.0");
  }
  rows.insert(rows.end(), {
                              {"Метод", "средних значений", "динами\u00ADческий", "модель стены (RC)"},
                              {c.kind == 0 ? "Rо, м²·К/Вт" : "Rк, м²·К/Вт", number(c.R, "0.000"),
                               d ? number(d->R, "0.000") : "— (" + c.dynamic_reason + ")",
                               g ? number(g->R, "0.000") : "— (" + c.greybox_reason + ")", false, false,
                               std::string(c.kind == 0 ? ro_term : rk_term)},
                          });
  if (c.kind != 0)
    rows.push_back({"Rо, м²·К/Вт", number(inverse(c.U), "0.000"), d ? number(inverse(d->U), "0.000") : none,
                    g ? number(inverse(g->U), "0.000") : none, false, false, std::string(ro_term)});
  rows.insert(rows.end(), {
                              {"U, Вт/(м²·К)", number(c.U, "0.000"), d ? number(d->U, "0.000") : none,
                               g ? number(g->U, "0.000") : none, false, false, std::string(u_term)},
                              {"Интервал 90 %", none, d ? "±" + number(d->I_rel * 100, "0.00") + " %" : none,
                               g ? number(g->R_lo, "0.000") + " … " + number(g->R_hi, "0.000") : none},
                              {"Интервал 90 % (автокорреляция)", none,
                               d && d->I_rel_hac ? "±" + number(*d->I_rel_hac * 100, "0.00") + " %" : none, none},
                              {"τ, ч", none, d ? number(d->tau_h, "0.0") : none, taus},
                              {"Записей / уравнений", std::to_string(c.records()), d ? std::to_string(d->M) : none,
                               g ? std::to_string(c.records()) : none},
                              {"Остатки белые (p)", none, none, g ? number(g->white_p, "0.000") : none},
                          });
  for (const ResultLine& l : channel_lines(c)) {
    if (l.label == "R" || l.label == "U" || l.label == "Записей") continue;
    rows.push_back({l.label, l.value, {}, {}, true});
  }
  return rows;
}

std::string terms_line() {
  return "Обозначения: Rк - термическое сопротивление конструкции, Rо - сопротивление теплопередаче, "
         "U - коэффициент теплопередачи (U = 1/Rо, Rо = Rsi + Rк + Rse)";
}

std::string surface_line(const AnalysisOptions& o) {
  return "Сопротивления теплообмену: " + std::string(surface_title(o.surface)) + ", Rsi = " + number(o.rsi, "0.0000") +
         ", Rse = " + number(o.rse, "0.0000", resistance_unit);
}

std::vector<ResultLine> wall_lines(const Wall& wall, const AnalysisOptions& options) {
  std::vector<ResultLine> out;
  if (wall.empty()) return out;
  for (const Layer& l : wall.layers) {
    std::string what = l.material.empty() ? "λ = " + number(l.lambda, "0.000") : l.material;
    out.push_back({"Слой", what + ", " + number(l.thickness_mm, "") + " мм"});
  }
  if (const auto r = wall.resistance()) {
    const double ro = options.rsi + *r + options.rse;
    const std::string conditions = ", условия эксплуатации " + std::string(conditions_name(wall.conditions));
    out.push_back({"Термическое сопротивление конструкции Rк проектное (Σd/λ" + conditions + ")",
                   number(*r, "0.000", resistance_unit)});
    out.push_back({"Сопротивление теплопередаче Rо проектное", number(ro, "0.000", resistance_unit)});
    out.push_back({"Коэффициент теплопередачи U проектный", number(1 / ro, "0.000", "Вт/(м²·К)")});
  }
  if (const auto capacity = wall.capacity())
    out.push_back({"Теплоёмкость стены", number(*capacity / 1000, "0.0", "кДж/(м²·К)")});
  return out;
}

std::string analysis_text(const Analysis& analysis, const AnalysisOptions& options) {
  std::string out = surface_line(options) + '\n';
  const auto wall = wall_lines(options.wall, options);
  if (!wall.empty()) out += "Стена (слои изнутри наружу)\n";
  for (const ResultLine& line : wall) out += "  " + line.label + ": " + line.value + '\n';
  if (analysis.series.empty()) out += "Серий наблюдений нет\n";
  for (const SeriesResult& s : analysis.series) {
    out += series_title(s) + '\n';
    if (const std::string span = span_line(s, options); !span.empty()) out += "  " + span + '\n';
    if (s.channels.empty() && (s.analysed >= 2 || options.span.whole()))
      out += "  нет каналов с двумя и более записями\n";
    for (const ChannelResult& c : s.channels) {
      out += "  Канал " + std::to_string(c.channel) + '\n';
      out += "    Метод средних значений\n";
      for (const ResultLine& line : channel_lines(c)) out += "      " + line.label + ": " + line.value + '\n';
      out += "    Динамический метод\n";
      for (const ResultLine& line : dynamic_lines(c)) out += "      " + line.label + ": " + line.value + '\n';
      out += "    Модель стены (RC)\n";
      for (const ResultLine& line : greybox_lines(c)) out += "      " + line.label + ": " + line.value + '\n';
      for (const ResultLine& line : verdict_lines(c)) out += "    " + line.label + ": " + line.value + '\n';
    }
  }
  if (analysis.skipped > 0) out += "Пропущено записей с неверной датой: " + std::to_string(analysis.skipped) + '\n';
  return out;
}

}  // namespace kalora::analysis
