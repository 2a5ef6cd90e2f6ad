#include "views/column_layout.h"

#include <charconv>
#include <cstdio>
#include <numeric>

namespace kalora::views {

namespace {

constexpr int max_width = 10000;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::optional<long long> parse_int(std::string_view s, int base = 10) {
  if (base == 16 && s.starts_with('$')) s.remove_prefix(1);
  long long value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (error != std::errc{} || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return value;
}

std::string hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "$%08X", static_cast<unsigned>(value));
  return buffer;
}

std::string_view align_name(Align a) { return a == Align::right ? "right" : a == Align::centre ? "centre" : "left"; }

std::optional<Align> align_from(std::string_view s) {
  if (s == "left") return Align::left;
  if (s == "centre") return Align::centre;
  if (s == "right") return Align::right;
  return std::nullopt;
}

template <typename T>
bool set_in_range(T& target, std::optional<long long> value, long long low, long long high) {
  if (!value || *value < low || *value > high) return false;
  target = static_cast<T>(*value);
  return true;
}

// One "Key=Value" of a column; unknown keys and values out of range leave it as it is.
void read_property(ColumnLayout& c, std::string_view key, std::string_view value) {
  if (key == "FieldName")
    c.field = value;
  else if (key == "Width")
    set_in_range(c.width, parse_int(value), 0, max_width);
  else if (key == "LayoutLevel")
    set_in_range(c.level, parse_int(value), 0, 2);
  else if (key == "LayoutIndex")
    set_in_range(c.index, parse_int(value), 0, 1000);
  else if (key == "TitleState") {
    int state = 0;
    if (set_in_range(state, parse_int(value), 0, 2)) c.sort.state = static_cast<TitleState>(state);
  } else if (key == "SortOrder")
    set_in_range(c.sort.order, parse_int(value), -1, 1000000);
  else if (key == "FooterState")
    set_in_range(c.footer_state, parse_int(value), 0, 255);
  else if (key == "OptionsVisual")
    set_in_range(c.options_visual, parse_int(value, 16), 0, 0xFFFFFFFF);
  else if (key == "Color")
    set_in_range(c.color, parse_int(value, 16), 0, 0xFFFFFFFF);
  else if (key == "Alignment") {
    if (const auto a = align_from(value)) c.alignment = *a;
  } else if (key == "Font")
    c.font = value;
}

}  // namespace

std::string layout_to_text(const std::vector<ColumnLayout>& columns) {
  const ColumnLayout d;
  std::string text(layout_signature);
  for (const ColumnLayout& c : columns) {
    text += "\r\nFieldName=" + c.field + ";Width=" + std::to_string(c.width);
    const auto add = [&](std::string_view key, const std::string& value) {
      text += ';';
      text += key;
      text += '=';
      text += value;
    };
    if (c.level != d.level) add("LayoutLevel", std::to_string(c.level));
    if (c.index != d.index) add("LayoutIndex", std::to_string(c.index));
    if (c.sort.state != d.sort.state) add("TitleState", std::to_string(static_cast<int>(c.sort.state)));
    if (c.sort.order != d.sort.order) add("SortOrder", std::to_string(c.sort.order));
    if (c.footer_state != d.footer_state) add("FooterState", std::to_string(c.footer_state));
    if (c.options_visual != d.options_visual) add("OptionsVisual", hex(c.options_visual));
    if (c.color != d.color) add("Color", hex(c.color));
    if (c.alignment != d.alignment) add("Alignment", std::string(align_name(c.alignment)));
    if (c.font != d.font) add("Font", c.font);
  }
  return text;
}

std::optional<std::vector<ColumnLayout>> layout_from_text(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(trim(text.substr(0, end)));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
  }
  if (lines.empty() || lines.front() != layout_signature) return std::nullopt;
  std::vector<ColumnLayout> columns;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    ColumnLayout c;
    std::string_view rest = lines[i];
    while (!rest.empty()) {
      const std::size_t end = rest.find(';');
      const std::string_view item = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
      const std::size_t eq = item.find('=');
      if (eq != std::string_view::npos) read_property(c, trim(item.substr(0, eq)), trim(item.substr(eq + 1)));
    }
    if (!c.field.empty()) columns.push_back(std::move(c));
  }
  return columns;
}

std::vector<int> stretch_widths(const std::vector<int>& widths, int available) {
  std::vector<int> out(widths.size(), 0);
  const long long total = std::accumulate(widths.begin(), widths.end(), 0LL);
  if (widths.empty() || available <= 0) return out;
  if (total <= 0) {
    for (std::size_t i = 0; i < out.size(); ++i)
      out[i] = available / static_cast<int>(out.size()) + (i < available % out.size() ? 1 : 0);
    return out;
  }
  long long running = 0;
  int given = 0;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    running += widths[i];
    const int edge = static_cast<int>(running * available / total);
    out[i] = edge - given;
    given = edge;
  }
  return out;
}

}  // namespace kalora::views
