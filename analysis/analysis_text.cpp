#include "analysis/analysis_text.h"

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

}  // namespace

std::string kind_name(int kind) { return kind == 0 ? "Rо" : "Rк"; }

std::string series_title(const SeriesResult& s) {
  return "Серия " + std::to_string(s.index) + ": " + kind_name(s.kind) + ", " + clock_text(s.first) + " – " +
         clock_text(s.last) + ", записей " + std::to_string(s.records) + ", часов " + number(s.hours(), "0.0");
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
      {"R прибора", number(c.res_mean, "0.000", resistance_unit)},
      {"Критерий 1 (не менее 72 ч)", verdict(c.c1) + " (" + number(c.hours, "0.0") + " ч)"},
      {"Критерий 2 (последние 24 ч)", criterion2(c)},
      {"Критерий 3 (первые и последние 2/3)", criterion3(c)},
      {"Критерий 4 (накопленное тепло)", "не проверялся"},
      {"Итог", overall(c)},
  };
}

std::string analysis_text(const Analysis& analysis) {
  std::string out;
  if (analysis.series.empty()) out += "Серий наблюдений нет\n";
  for (const SeriesResult& s : analysis.series) {
    out += series_title(s) + '\n';
    if (s.channels.empty()) out += "  нет каналов с двумя и более записями\n";
    for (const ChannelResult& c : s.channels) {
      out += "  Канал " + std::to_string(c.channel) + '\n';
      for (const ResultLine& line : channel_lines(c)) out += "    " + line.label + ": " + line.value + '\n';
    }
  }
  if (analysis.skipped > 0) out += "Пропущено записей с неверной датой: " + std::to_string(analysis.skipped) + '\n';
  return out;
}

}  // namespace kalora::analysis
