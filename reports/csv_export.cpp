#include "reports/csv_export.h"

#include <array>
#include <utility>

#include "reports/report_builder.h"
#include "reports/table_record_source.h"
#include "reports/view_report.h"
#include "core/file_io.h"
#include "views/grid_columns.h"

namespace kalora::reports {

namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

// The grid font draws these letters as Greek ones; a spreadsheet's font does not.
constexpr std::array<std::pair<std::string_view, std::string_view>, 3> grid_font_letters{{
    {"Ґ", "λ"},
    {"ў", "ρ"},
    {"і", "τ"},
}};

std::string plain_title(std::string_view line_1, std::string_view line_2) {
  std::string title(line_1);
  if (!line_2.empty()) title.append(" ").append(line_2);
  for (const auto& [drawn, greek] : grid_font_letters) {
    for (auto at = title.find(drawn); at != std::string::npos; at = title.find(drawn, at + greek.size())) {
      title.replace(at, drawn.size(), greek);
    }
  }
  return title;
}

bool shown(std::string_view field, std::uint16_t channel_mask) {
  for (int channel = 1; channel <= 3; ++channel) {
    if (views::is_channel_column(field, channel)) return (channel_mask >> (channel - 1)) & 1;
  }
  return true;
}

void append_field(std::string& out, std::string_view text) {
  if (text.find_first_of(";\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (const char ch : text) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

template <typename Cell>
void append_row(std::string& out, std::span<const CsvColumn> columns, Cell cell) {
  for (std::size_t k = 0; k < columns.size(); ++k) {
    if (k > 0) out += ';';
    append_field(out, cell(columns[k]));
  }
  out += "\r\n";
}

}  // namespace

std::vector<CsvColumn> csv_columns(ReportId report, std::uint16_t channel_mask) {
  const auto grid = static_cast<int>(report);
  const bool heat_flow = views::grid_table(grid) == 3;
  std::vector<CsvColumn> columns;
  for (const views::GridColumn& c : views::grid_columns(grid)) {
    if (heat_flow && !shown(c.field, channel_mask)) continue;
    columns.push_back({std::string(c.field), plain_title(c.title_1, c.title_2)});
  }
  return columns;
}

std::string records_csv(const RecordSource& records, std::span<const CsvColumn> columns) {
  std::string out(byte_order_mark);
  append_row(out, columns, [](const CsvColumn& c) { return c.title; });
  for (std::size_t i = 0; i < records.count(); ++i) {
    append_row(out, columns, [&](const CsvColumn& c) { return cell_text(records.value(i, c.field), {}); });
  }
  return out;
}

std::string save_view_csv(State& state, ReportId report, const std::string& path) {
  const TableRecordSource source(report_table(state, report));
  const std::string text = records_csv(source, csv_columns(report, state.channel_mask));
  return replace_file(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

}  // namespace kalora::reports
