// The grey-box method and the verdict against modelled walls of known resistance:
// light, medium, heavy and 510 mm brick walls, 3 to 14 days, Rк and Rо, varied
// weathers, with and without the layers. One CSV line per series, then per wall and
// length how often the verdict is "reliable", the largest error beside it, how often
// the intervals hold the true R and how often "days_more" days more were enough.
//   greybox_study [SEEDS [FIRST_SEED [WALL]]]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "analysis/analysis_json.h"
#include "analysis/assessment.h"
#include "support/wall_series.h"

using namespace kalora;

namespace {

struct Tally {
  int series = 0, reliable = 0, gb = 0, gb_covered = 0, best_covered = 0, dyn = 0, dyn_covered = 0, hac_covered = 0;
  double worst = 0;
  int advised = 0, advice_held = 0;
  std::vector<double> gb_errors, white_p;  // |error| of the grey-box R, %; its whiteness p
};

// The median of a few values (0 for none).
double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double largest(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

std::optional<analysis::ChannelResult> run(const test::Logged& logged, int kind, const analysis::AnalysisOptions& o) {
  auto r = analysis::analyse_channel(test::series_of(logged, kind), 1, o);
  if (r) analysis::assess(*r, kind, o);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const int seeds = argc > 1 ? std::atoi(argv[1]) : 3;
  const unsigned seed0 = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
  const std::string only = argc > 3 ? argv[3] : "";
  std::printf(
      "wall,kind,days,seed,layers,true_R,gb_R,gb_err,gb_lo,gb_hi,caps,tau1,white_p,dyn_err,I_rel,I_rel_hac,"
      "verdict,best_err,best_lo,best_hi,method,days_more,ms,reason\n");
  std::map<std::string, Tally> tally;
  Tally all;
  double longest_ms = 0;
  for (const test::ModelWall& w : test::model_walls()) {
    if (!only.empty() && w.name != only) continue;
    for (const int kind : {1, 0})
      for (const double days : {3.0, 5.0, 7.0, 10.0, 14.0})
        for (int k = 0; k < seeds; ++k) {
          const test::Weather weather = test::varied_weather(seed0 + static_cast<unsigned>(k));
          const test::Logged logged = test::simulate(w, weather, days, kind);
          for (const bool layers : {false, true}) {
            analysis::AnalysisOptions options;
            if (layers) options.wall = test::wall_of(w);
            const auto t0 = std::chrono::steady_clock::now();
            const auto r = run(logged, kind, options);
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            longest_ms = std::max(longest_ms, ms);
            if (!r) continue;
            const double R = logged.true_R;
            auto err = [&](double v) { return (v - R) / R * 100; };
            const auto& g = r->greybox;
            const auto& d = r->dynamic;
            const auto& v = r->verdict;
            char line[1024];
            std::snprintf(
                line, sizeof line, "%s,%d,%g,%u,%d,%.4f,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%.0f,\"%s\"",
                w.name.c_str(), kind, days, weather.seed, layers, R, g ? std::to_string(g->R).c_str() : "",
                g ? std::to_string(err(g->R)).c_str() : "", g ? std::to_string(g->R_lo).c_str() : "",
                g ? std::to_string(g->R_hi).c_str() : "", g ? std::to_string(g->capacities).c_str() : "",
                g ? std::to_string(g->tau_h.front()).c_str() : "", g ? std::to_string(g->white_p).c_str() : "",
                d ? std::to_string(err(d->R)).c_str() : "", d ? std::to_string(d->I_rel).c_str() : "",
                d && d->I_rel_hac ? std::to_string(*d->I_rel_hac).c_str() : "", analysis::trust_name(v.trust).c_str(),
                v.R_best ? std::to_string(err(*v.R_best)).c_str() : "", v.R_lo ? std::to_string(*v.R_lo).c_str() : "",
                v.R_hi ? std::to_string(*v.R_hi).c_str() : "", v.method.c_str(),
                v.days_more ? std::to_string(*v.days_more).c_str() : "", ms, v.reason.c_str());
            std::puts(line);
            // Continued by the days advised, is the series reliable?
            std::optional<bool> held;
            if (v.days_more && days + *v.days_more <= 28) {
              const auto longer = run(test::simulate(w, weather, days + *v.days_more, kind), kind, options);
              held = longer && longer->verdict.trust == analysis::Trust::reliable;
            }
            for (Tally* t : {&tally[w.name + " " + std::to_string(static_cast<int>(days)) + " сут"], &all}) {
              ++t->series;
              if (g) {
                ++t->gb;
                t->gb_covered += g->R_lo <= R && R <= g->R_hi;
                t->gb_errors.push_back(std::fabs(err(g->R)));
                t->white_p.push_back(g->white_p);
              }
              if (d) {
                ++t->dyn;
                const double L = 1 / R;
                t->dyn_covered += std::fabs(L - d->L) <= d->I_rel * d->L;
                t->hac_covered += d->I_rel_hac && std::fabs(L - d->L) <= *d->I_rel_hac * d->L;
              }
              t->best_covered += v.R_lo && v.R_hi && *v.R_lo <= R && R <= *v.R_hi;
              if (held) ++t->advised, t->advice_held += *held;
              if (v.trust == analysis::Trust::reliable) {
                ++t->reliable;
                t->worst = std::max(t->worst, std::fabs(err(*v.R_best)));
              }
            }
          }
        }
  }
  tally["(all)"] = all;
  std::fprintf(stderr, "%-16s %7s %9s %7s %9s %9s %9s %9s %7s %7s %7s %s\n", "walls, days", "series", "reliable",
               "worst%", "gb_cover", "dyn_cov", "hac_cov", "best_cov", "gb_med%", "gb_max%", "white_p",
               "days_more held");
  for (const auto& [name, t] : tally)
    std::fprintf(stderr, "%-16s %7d %8.0f%% %7.2f %8.0f%% %8.0f%% %8.0f%% %8.0f%% %7.2f %7.2f %7.3f %4d/%-4d\n",
                 name.c_str(), t.series, 100.0 * t.reliable / t.series, t.worst,
                 100.0 * t.gb_covered / std::max(t.gb, 1), 100.0 * t.dyn_covered / std::max(t.dyn, 1),
                 100.0 * t.hac_covered / std::max(t.dyn, 1), 100.0 * t.best_covered / t.series, median(t.gb_errors),
                 largest(t.gb_errors), median(t.white_p), t.advice_held, t.advised);
  std::fprintf(stderr, "longest analysis of a channel: %.0f ms\n", longest_ms);
  // All three methods on the three channels of a 14-day series of 20-minute records.
  for (const test::ModelWall& w : test::model_walls()) {
    if (!only.empty() && w.name != only) continue;
    const test::Logged logged = test::simulate(w, {}, 14, 1);
    const std::clock_t c0 = std::clock();
    for (int channel = 0; channel < 3; ++channel) run(logged, 1, {});
    std::fprintf(stderr, "%s, three channels of 14 days: %.2f s of processor time\n", w.name.c_str(),
                 static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC);
  }
}
