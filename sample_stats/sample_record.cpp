#include "sample_stats/sample_record.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <span>

#include "analysis/plot.h"
#include "reports/number_format.h"
#include "sample_stats/sample_plot.h"
#include "sample_stats/samples_text.h"

namespace kalora::samples {

namespace {

using reports::PageCell;

constexpr int left = reports::page_margin;
constexpr int usable = reports::page_width - 2 * reports::page_margin;
constexpr int footer_height = 20;
constexpr int bottom = reports::page_height - reports::page_margin - footer_height - 6;
constexpr int line_height = 18;
constexpr int heading_height = 24;
constexpr int group_gap = 14;
constexpr int plot_height = 220;

struct Column {
  std::string_view heading;
  int width;
  std::string_view pattern;  // empty: a text column
  std::optional<double> (*value)(const SampleRow&);
  std::string (*text)(const SampleRow&);
};

std::string date_of(const SampleRow& r) { return r.date; }
std::string time_of(const SampleRow& r) { return r.time; }

constexpr int note_width_stat = usable - (50 + 90 + 80 + 100 + 80 + 80 + 80 + 100 + 90 + 80);
const std::array stationary_columns{
    Column{"N", 50, "0", [](const SampleRow& r) { return r.n; }, nullptr},
    Column{"Дата", 90, "", nullptr, date_of},
    Column{"Время", 80, "", nullptr, time_of},
    Column{"λ, Вт/(м·К)", 100, "0.000", [](const SampleRow& r) { return r.lambda; }, nullptr},
    Column{"H, мм", 80, "0.0", [](const SampleRow& r) { return r.thick; }, nullptr},
    Column{"Tн, °C", 80, "0.0", [](const SampleRow& r) { return r.t_up; }, nullptr},
    Column{"Tх, °C", 80, "0.0", [](const SampleRow& r) { return r.t_down; }, nullptr},
    Column{"R, м²·К/Вт", 100, "0.000", [](const SampleRow& r) { return r.r; }, nullptr},
    Column{"q, Вт/м²", 90, "0.0", [](const SampleRow& r) { return r.q; }, nullptr},
    Column{"tср, °C", 80, "0.00", [](const SampleRow& r) { return r.t_mean(); }, nullptr},
};
constexpr int note_width_probe = usable - (60 + 100 + 90 + 120 + 130 + 120);
const std::array probe_columns{
    Column{"N", 60, "0", [](const SampleRow& r) { return r.n; }, nullptr},
    Column{"Дата", 100, "", nullptr, date_of},
    Column{"Время", 90, "", nullptr, time_of},
    Column{"λ, Вт/(м·К)", 120, "0.000", [](const SampleRow& r) { return r.lambda; }, nullptr},
    Column{"c, кДж/(кг·К)", 130, "0.00", [](const SampleRow& r) { return r.c; }, nullptr},
    Column{"ρ, кг/м³", 120, "0", [](const SampleRow& r) { return r.rho; }, nullptr},
};

PageCell cell(int x, int y, int width, int height, std::string text, int size = 10, bool bold = false,
              bool framed = false, reports::Align align = reports::Align::left) {
  PageCell c = reports::text_cell(x, y, width, height, std::move(text), size, bold, framed);
  c.align = align;
  return c;
}

PageCell number_cell(int x, int y, int width, std::optional<double> v, std::string_view pattern) {
  PageCell c = cell(x, y, width, line_height, v ? reports::format_number(*v, pattern) : "", 10, false, true,
                    reports::Align::center);
  c.number = v;
  c.number_pattern = pattern;
  return c;
}

// Lays the record onto pages, starting a new one where the next piece would
// reach the page count at the foot.
class Pages {
 public:
  explicit Pages(Method method)
      : columns_(method == Method::stationary ? std::span<const Column>(stationary_columns)
                                              : std::span<const Column>(probe_columns)),
        note_width_(method == Method::stationary ? note_width_stat : note_width_probe) {
    new_page();
  }

  reports::BuiltReport report;
  int y = reports::page_margin;

  void add(PageCell c) { report.pages.back().cells.push_back(std::move(c)); }
  // Room for `height` more, else a new page.
  bool room_for(int height) {
    if (y + height <= bottom) return true;
    new_page();
    return false;
  }
  void line(const std::string& text, int size = 10, bool bold = false, int height = line_height) {
    room_for(height);
    add(cell(left, y, usable, height, text, size, bold));
    y += height;
  }

  void table_heading() {
    int x = left;
    for (const Column& c : columns_) {
      add(cell(x, y, c.width, heading_height, std::string(c.heading), 10, true, true, reports::Align::center));
      x += c.width;
    }
    add(cell(x, y, note_width_, heading_height, "Примечание", 10, true, true, reports::Align::center));
    y += heading_height;
  }

  void table_row(const SampleRow& row, bool outlier) {
    int x = left;
    for (const Column& c : columns_) {
      add(c.value ? number_cell(x, y, c.width, c.value(row), c.pattern)
                  : cell(x, y, c.width, line_height, c.text(row), 10, false, true, reports::Align::center));
      x += c.width;
    }
    add(cell(x, y, note_width_, line_height, outlier ? "возможный выброс" : "", 10, false, true));
    y += line_height;
  }

  // Page counts at every foot, once the pages are all there.
  void number_pages() {
    const std::string total = std::to_string(report.pages.size());
    for (std::size_t p = 0; p < report.pages.size(); ++p) {
      PageCell c = cell(reports::page_width - reports::page_margin - 202, bottom + 6, 202, footer_height,
                        "Стр. " + std::to_string(p + 1) + " из " + total, 10, false, false, reports::Align::right);
      report.pages[p].cells.push_back(std::move(c));
    }
  }

 private:
  void new_page() {
    report.pages.emplace_back();
    y = reports::page_margin;
  }

  std::span<const Column> columns_;
  int note_width_;
};

void header(Pages& p, const SampleResults& results, const RecordInfo& info) {
  p.line(protocol::protocol_heading(info.particulars), 14, true, 26);
  p.line("Теплопроводность образцов: " + method_name(results.method), 12, true, 22);
  p.y += 4;
  for (const std::string& text : protocol::particulars_lines(info.particulars)) p.line(text);
  const std::string table = results.method == Method::stationary ? "Стационарный" : "Зонд";
  p.line("База данных: " + std::filesystem::path(info.db_name).filename().string() + ", таблица «" + table + "»");
  p.line("Дата печати: " + info.printed);
  p.y += 8;
}

// Label, value and remark of each figure, two figures to a line.
void figures_block(Pages& p, const std::vector<Figure>& figures) {
  constexpr int half = usable / 2;
  constexpr int label_width = 230, value_width = 120, note_width = half - label_width - value_width;
  const int lines = static_cast<int>((figures.size() + 1) / 2);
  for (int k = 0; k < lines; ++k) {
    for (int side = 0; side < 2; ++side) {
      const std::size_t i = static_cast<std::size_t>(k + side * lines);
      if (i >= figures.size()) break;
      const Figure& f = figures[i];
      const int x = left + side * half;
      p.add(cell(x, p.y, label_width, line_height, f.label, 10, false, true));
      PageCell value =
          cell(x + label_width, p.y, value_width, line_height, f.text, 10, true, true, reports::Align::center);
      value.number = f.value;
      value.number_pattern = f.pattern;
      p.add(value);
      p.add(cell(x + label_width + value_width, p.y, note_width, line_height, f.note, 9, false, true));
    }
    p.y += line_height;
  }
}

void group_block(Pages& p, const SampleResults& results, const SampleGroup& g) {
  const std::string title = "Образец: " + g.name;
  // The title, the headings and the first row stay together.
  p.room_for(22 + heading_height + line_height);
  p.add(cell(left, p.y, usable, 22, title, 11, true));
  p.y += 22;
  p.table_heading();
  for (const std::size_t i : g.rows) {
    if (!p.room_for(line_height)) {
      p.add(cell(left, p.y, usable, 22, title + " (продолжение)", 11, true));
      p.y += 22;
      p.table_heading();
    }
    const bool outlier = std::find(g.outliers.begin(), g.outliers.end(), i) != g.outliers.end();
    p.table_row(results.rows[i], outlier);
  }
  p.y += 6;
  const auto figures = group_figures(results, g);
  const int height = static_cast<int>((figures.size() + 1) / 2) * line_height;
  if (!p.room_for(height)) {
    p.add(cell(left, p.y, usable, 22, title + " (продолжение)", 11, true));
    p.y += 22;
  }
  figures_block(p, figures);
  // The group's plot, when it has two values or more to show.
  if (g.n >= 2) {
    p.y += 6;
    p.room_for(plot_height);
    p.report.pages.back().plots.push_back(
        {left, p.y, usable, plot_height, std::make_shared<const plot::Plot>(group_plot(results, g))});
    p.y += plot_height;
  }
  p.y += group_gap;
}

}  // namespace

reports::BuiltReport sample_record(const SampleResults& results, const RecordInfo& info) {
  Pages p(results.method);
  p.report.id = results.method == Method::stationary ? reports::ReportId::stat : reports::ReportId::zond;
  header(p, results, info);
  if (results.groups.empty()) p.line("Строк нет");
  for (const SampleGroup& g : results.groups) group_block(p, results, g);
  for (const std::string& text : legend(results.method)) p.line(text, 9, false, 16);
  p.y += 16;
  for (const std::string& text : protocol::signature_lines(info.particulars)) p.line(text, 10, false, 28);
  p.number_pages();
  return std::move(p.report);
}

std::string today_text() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char text[16];
  std::strftime(text, sizeof text, "%d.%m.%Y", &local);
  return text;
}

}  // namespace kalora::samples
