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
#include "tools/cli_protocol.h"
#include "tools/cli_recover.h"

#ifdef KALORA_CLI_PDF
#include "analysis/analysis_print.h"
#endif

namespace kalora {

namespace {

constexpr std::string_view usage_text =
    "usage: kalora-cli analyze DB.db [--max-gap SECONDS] [--surface sp50|iso6946] [--rsi X] [--rse X] [--whole-days]\n"
    "       [--layers \"MATERIAL:MM,...\"] [--conditions A|B] [--heat-capacity KJ_PER_M2K] [--json | --pdf OUT.pdf]\n"
    "       [--from \"DD.MM.YYYY HH:MM\"] [--to \"DD.MM.YYYY HH:MM\"] [--protocol FILE.json (with --pdf)]\n"
    "  --max-gap: a longer pause between two rows starts a new series (default 21600, at most 86400).\n"
    "  --from, --to: the span of every series analysed, both ends included.\n"
    "  --conditions: the conditions of use whose λ the built-in materials take (default B).\n"
    "  MATERIAL is a built-in name or typed values λ or λ/ρ/c (W/(m·K), kg/m³, J/(kg·K)); layers inside to outside.\n"
    "  Built-in materials:";

enum class Output { text, json, pdf };

struct Request {
  std::string db;
  analysis::AnalysisOptions options;
  Output output = Output::text;
  std::string pdf;
  std::optional<protocol::Particulars> particulars;  // --protocol
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

// The named surface resistances, and --rsi or --rse over them; the convention is
// then the one whose values they are, else "custom".
struct SurfaceArgs {
  analysis::Surface named = analysis::Surface::sp50;
  double rsi = -1, rse = -1;  // not given while negative

  void apply(analysis::AnalysisOptions& o) const {
    o.use_surface(named);
    if (rsi < 0 && rse < 0) return;
    if (rsi >= 0) o.rsi = rsi;
    if (rse >= 0) o.rse = rse;
    o.surface = analysis::surface_of(o.rsi, o.rse);
  }
};

std::optional<Request> parse(std::span<const std::string> args) {
  Request r;
  r.db = args[0];
  SurfaceArgs surface;
  const std::pair<std::string_view, double*> numbers[] = {
      {"--max-gap", &r.options.max_gap}, {"--rsi", &surface.rsi}, {"--rse", &surface.rse}};
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--whole-days") {
      r.options.whole_days = true;
    } else if (a == "--surface" && has_value) {
      const auto named = analysis::surface_of_key(args[++i]);
      if (!named || *named == analysis::Surface::custom) return std::nullopt;
      surface.named = *named;
    } else if (a == "--layers" && has_value) {
      auto parsed = analysis::parse_layers(args[++i]);
      if (!parsed.error.empty()) {
        std::cerr << "Слои стены: " << parsed.error << '\n';
        return std::nullopt;
      }
      r.options.wall.layers = std::move(parsed.layers);
    } else if ((a == "--from" || a == "--to") && has_value) {
      const auto time = analysis::span_time(args[++i]);
      if (!time) {
        std::cerr << a << ": не дата и время вида ДД.ММ.ГГГГ ЧЧ:ММ: «" << args[i] << "»\n";
        return std::nullopt;
      }
      (a == "--from" ? r.options.span.from : r.options.span.to) = *time;
    } else if (a == "--protocol" && has_value && !r.particulars) {
      r.particulars = read_protocol_file(args[++i]);
      if (!r.particulars) return std::nullopt;
    } else if (a == "--conditions" && has_value) {
      const auto conditions = analysis::conditions_of(args[++i]);
      if (!conditions) return std::nullopt;
      r.options.wall.conditions = *conditions;
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
  if (r.options.max_gap > analysis::longest_pause) {
    std::cerr << "--max-gap: не больше " << analysis::longest_pause << " с (сутки)\n";
    return std::nullopt;
  }
  surface.apply(r.options);
  r.options.wall.set_conditions(r.options.wall.conditions);  // whichever came first, layers or conditions
  if (r.particulars && r.output != Output::pdf) {
    std::cerr << "--protocol только вместе с --pdf\n";
    return std::nullopt;
  }
  if (const auto& span = r.options.span; span.from && span.to && *span.from > *span.to) {
    std::cerr << "--from позже, чем --to\n";
    return std::nullopt;
  }
  return r;
}

// Empty on success, else the user's message.
std::string write_pdf(const analysis::Analysis& result, const Request& request) {
#ifdef KALORA_CLI_PDF
  return analysis::write_analysis_pdf_offscreen(result, request.options, request.db, request.pdf,
                                                request.particulars.value_or(protocol::Particulars{}));
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
