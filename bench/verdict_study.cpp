// The verdict as a user meets it, on modelled walls of known resistance (light,
// medium, heavy, 510 mm solid brick; 3 to 14 days; Rк and Rо; varied weathers; with and
// without the layers). Per wall and length: how often "reliable", the largest error of
// R_best beside it, how often R_best's interval holds the true R; then how often a
// series continued by "days_more" days became reliable. One CSV line per series first.
//   verdict_study [SEEDS [FIRST_SEED [WALL]]]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "analysis/analysis_json.h"
#include "analysis/assessment.h"
#include "analysis/measuring_time.h"
#include "support/wall_series.h"

using namespace kalora;

namespace {

struct Tally {
  int series = 0, reliable = 0, covered = 0, advised = 0, held = 0;
  double worst = 0;
};

std::optional<analysis::ChannelResult> run(const test::Logged& logged, int kind, const analysis::AnalysisOptions& o) {
  auto r = analysis::analyse_channel(test::series_of(logged, kind), 1, o);
  if (r) analysis::assess(*r, kind, o);
  return r;
}

std::string figure(std::optional<double> v) { return v ? std::to_string(*v) : std::string(); }

}  // namespace

int main(int argc, char** argv) {
  const int seeds = argc > 1 ? std::atoi(argv[1]) : 3;
  const unsigned seed0 = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
  const std::string only = argc > 3 ? argv[3] : "";
  std::puts(
      "wall,kind,days,seed,layers,avg_err,dyn_err,I_rel,I_hac,width,tau_h,tau_max_h,memory_h,gb_err,gb_lo,gb_hi,white_"
      "p,verdict,"
      "method,best_err,covered,days_more,held,reason");
  std::map<std::string, Tally> tally;
  Tally all;
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
            const auto r = run(logged, kind, options);
            if (!r) continue;
            const double R = logged.true_R;
            const auto err = [&](std::optional<double> v) { return v ? figure((*v - R) / R * 100) : std::string(); };
            const auto& d = r->dynamic;
            const auto& g = r->greybox;
            const auto& v = r->verdict;
            const bool covered = v.R_lo && v.R_hi && *v.R_lo <= R && R <= *v.R_hi;
            // Continued by the days advised, is the series reliable?
            std::optional<bool> held;
            if (v.days_more && days + *v.days_more <= 28) {
              const auto longer = run(test::simulate(w, weather, days + *v.days_more, kind), kind, options);
              held = longer && longer->verdict.trust == analysis::Trust::reliable;
            }
            std::printf(
                "%s,%d,%g,%u,%d,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%d,%s,%s,\"%s\"\n", w.name.c_str(), kind,
                days, weather.seed, layers, err(r->R).c_str(), err(d ? d->R : std::optional<double>()).c_str(),
                d ? figure(d->I_rel).c_str() : "", d ? figure(d->I_rel_hac).c_str() : "",
                d ? figure(analysis::interval_share(*r, analysis::memory_hours(*r, kind, options))).c_str() : "",
                d ? figure(d->tau_h).c_str() : "", d ? figure(static_cast<double>(d->p) * d->step / 3600).c_str() : "",
                figure(analysis::memory_hours(*r, kind, options)).c_str(),
                err(g ? g->R : std::optional<double>()).c_str(), err(g ? g->R_lo : std::optional<double>()).c_str(),
                err(g ? g->R_hi : std::optional<double>()).c_str(), g ? figure(g->white_p).c_str() : "",
                analysis::trust_name(v.trust).c_str(), v.method.c_str(), err(v.R_best).c_str(), covered,
                figure(v.days_more).c_str(), held ? (*held ? "1" : "0") : "", v.reason.c_str());
            for (Tally* t : {&tally[w.name + " " + std::to_string(static_cast<int>(days)) + " сут"], &all}) {
              ++t->series;
              t->covered += covered;
              if (held) ++t->advised, t->held += *held;
              if (v.trust != analysis::Trust::reliable) continue;
              ++t->reliable;
              t->worst = std::max(t->worst, std::fabs((*v.R_best - R) / R * 100));
            }
          }
        }
  }
  tally["(all)"] = all;
  std::fprintf(stderr, "%-16s %7s %9s %8s %9s %12s\n", "wall, days", "series", "reliable", "worst %", "covered",
               "days_more");
  for (const auto& [name, t] : tally)
    std::fprintf(stderr, "%-16s %7d %8.0f%% %8.2f %8.0f%% %5d of %-4d\n", name.c_str(), t.series,
                 100.0 * t.reliable / t.series, t.worst, 100.0 * t.covered / t.series, t.held, t.advised);
}
