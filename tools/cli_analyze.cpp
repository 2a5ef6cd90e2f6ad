// kalora-cli analyze: the observation series of a database's heat-flow table.
#include "tools/cli_analyze.h"
#include "tools/exit_codes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <iostream>
#include <optional>

#include "analysis/analysis_json.h"
#include "analysis/analysis_text.h"
#include "analysis/wall_layers.h"
#include "db/db_texts.h"
#include "tools/cli_recover.h"

#ifdef KALORA_CLI_PDF
#include "analysis/analysis_print.h"
#endif

namespace kalora {

namespace {

constexpr std::string_view usage_text =
    "usage: kalora-cli analyze DB.db [--max-gap SECONDS] [--rsi X] [--rse X] [--whole-days]\n"
    "       [--layers \"MATERIAL:MM,...\"] [--heat-capacity KJ_PER_M2K] [--json | --pdf OUT.pdf]\n"
    "  MATERIAL is a built-in name or typed values λ or λ/ρ/c (W/(m·K), kg/m³, J/(kg·K)); layers inside to outside.\n"
    "  Built-in materials:";

enum class Output { text, json, pdf };

struct Request {
  std::string db;
  analysis::AnalysisOptions options;
  Output output = Output::text;
  std::string pdf;
};

std::optional<double> number_of(const std::string& s) {
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc{} || end != s.data() + s.size() || !std::isfinite(v) || v < 0) return std::nullopt;
  return v;
}

// A name ending in ".pdf" (any case) and more than that.
bool has_pdf_extension(const std::string& path) {
  if (path.size() <= 4) return false;
  std::string end = path.substr(path.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(), [](unsigned char c) { return std::tolower(c); });
  return end == ".pdf";
}

std::optional<Request> parse(std::span<const std::string> args) {
  Request r;
  r.db = args[0];
  const std::pair<std::string_view, double*> numbers[] = {
      {"--max-gap", &r.options.max_gap}, {"--rsi", &r.options.rsi}, {"--rse", &r.options.rse}};
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--whole-days") {
      r.options.whole_days = true;
    } else if (a == "--layers" && has_value) {
      auto parsed = analysis::parse_layers(args[++i]);
      if (!parsed.error.empty()) {
        std::cerr << "Слои стены: " << parsed.error << '\n';
        return std::nullopt;
      }
      r.options.wall.layers = std::move(parsed.layers);
    } else if (a == "--heat-capacity" && has_value) {
      const auto v = number_of(args[++i]);
      if (!v || !(*v > 0)) return std::nullopt;
      r.options.wall.heat_capacity = *v * 1000;
    } else if (a == "--json" && r.output == Output::text) {
      r.output = Output::json;
    } else if (a == "--pdf" && r.output == Output::text && has_value) {
      r.output = Output::pdf;
      r.pdf = args[++i];
      if (!has_pdf_extension(r.pdf)) return std::nullopt;
    } else {
      const auto* option =
          std::find_if(std::begin(numbers), std::end(numbers), [&](const auto& n) { return n.first == a; });
      if (option == std::end(numbers) || !has_value) return std::nullopt;
      const auto v = number_of(args[++i]);
      if (!v) return std::nullopt;
      *option->second = *v;
    }
  }
  return r;
}

// Empty on success, else the user's message.
std::string write_pdf(const analysis::Analysis& result, const Request& request) {
#ifdef KALORA_CLI_PDF
  return analysis::write_analysis_pdf_offscreen(result, request.options, request.db, request.pdf);
#else
  (void)result;
  (void)request;
  return "Вывод в PDF недоступен: программа собрана без Qt";
#endif
}

int run(State& state, const Request& request) {
  if (!state.Dbf3.is_open()) {
    std::cerr << "В базе данных нет таблицы " << db::texts::table_of[2] << '\n';
    return exit_refused;
  }
  const auto result = analysis::analyse(analysis::read_observations(state.Dbf3), request.options);
  switch (request.output) {
    case Output::text:
      std::cout << analysis::analysis_text(result, request.options);
      break;
    case Output::json:
      std::cout << analysis::to_json(result, request.options);
      break;
    case Output::pdf:
      if (const std::string error = write_pdf(result, request); !error.empty()) {
        std::cerr << error << '\n';
        return exit_usage_or_io;
      }
      break;
  }
  std::cout.flush();
  return std::cout ? exit_ok : exit_usage_or_io;
}

}  // namespace

int cli_analyze(std::span<const std::string> args) {
  const auto request = parse(args);
  if (!request) {
    std::cerr << usage_text;
    for (const auto& m : analysis::materials()) std::cerr << (&m == &analysis::materials().front() ? " " : ", ") << m.name;
    std::cerr << '\n';
    return exit_usage_or_io;
  }
  if (request->output == Output::pdf && !output_is_not_input(request->pdf, request->db)) return exit_usage_or_io;
  return with_database(request->db, [&](State& state) { return run(state, *request); });
}

}  // namespace kalora
