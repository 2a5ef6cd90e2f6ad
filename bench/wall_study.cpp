// The analysis against modelled walls of known resistance: light, medium and heavy
// walls, 3 to 14 days, several weathers, Rк and Rо, with and without the layers. One
// line per series (CSV) with both methods, the criteria and the verdict, then a
// summary of how often the verdict is "reliable" and the largest error it stood beside.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "analysis/assessment.h"
#include "support/wall_series.h"

using namespace kalora;

namespace {

const char* trust_name(analysis::Trust t) {
  return t == analysis::Trust::reliable ? "reliable" : t == analysis::Trust::unreliable ? "unreliable" : "undetermined";
}

std::string opt(std::optional<double> v) { return v ? std::to_string(*v) : ""; }
std::string opt(std::optional<bool> v) { return v ? (*v ? "1" : "0") : ""; }

}  // namespace

int main(int argc, char** argv) {
  // wall_study [SEEDS [FIRST_SEED [others]]]: "others" runs the walls the rule was not set on.
  const int seeds = argc > 1 ? std::atoi(argv[1]) : 6;
  const unsigned seed0 = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
  std::printf(
      "wall,kind,days,seed,layers,true_R,avg_R,avg_err,c1,c2,c3,c4,stored,dyn_R,dyn_err,I_rel,tau_h,p_h,M,dyn_first,dyn_last,c_in,c_out,"
      "verdict,R_best,best_err,method,reason\n");
  int reliable = 0, total = 0;
  double worst = 0;
  const bool others = argc > 3 && std::string(argv[3]) == "others";
  for (const test::ModelWall& w : others ? test::other_walls() : test::model_walls())
    for (const int kind : {1, 0})
      for (const double days : {3.0, 5.0, 7.0, 10.0, 14.0})
        for (int k = 0; k < seeds; ++k) {
          // Different weathers: cold or mild, strong or weak swings, slow or fast changes.
          test::Weather weather;
          weather.seed = seed0 + static_cast<unsigned>(k);
          std::mt19937 pick(weather.seed * 7919u);
          auto between = [&](double a, double b) { return a + (b - a) * (pick() / 4294967296.0); };
          weather.outdoor_mean = between(-15, 5);
          weather.daily_swing = between(1, 8);
          weather.slow_swing = between(0, 10);
          weather.slow_days = between(2, 14);
          weather.wander = between(0, 4);
          weather.indoor = between(18, 23);
          weather.indoor_swing = between(0, 1);
          const test::Logged logged = test::simulate(w, weather, days, kind);
          for (const bool layers : {false, true}) {
            analysis::AnalysisOptions options;
            options.use_surface(analysis::Surface::iso6946);  // the model's surfaces
            if (layers) options.wall = test::wall_of(w);
            auto r = analysis::analyse_channel(test::series_of(logged, kind), 1, options);
            if (!r) continue;
            analysis::assess(*r, kind, options);
            const auto err = [&](std::optional<double> v) {
              return v ? std::optional<double>((*v - logged.true_R) / logged.true_R * 100) : std::nullopt;
            };
            const auto& d = r->dynamic;
            const auto& v = r->verdict;
            std::printf("%s,%d,%g,%u,%d,%.4f,%s,%s,%d,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,%s,\"%s\"\n",
                        w.name.c_str(), kind, days, weather.seed, layers, logged.true_R, opt(r->R).c_str(),
                        opt(err(r->R)).c_str(), r->c1, opt(r->c2).c_str(), opt(r->c3).c_str(), opt(r->c4).c_str(),
                        opt(r->stored_heat_pct).c_str(), d ? std::to_string(d->R).c_str() : "",
                        d ? opt(err(d->R)).c_str() : "", d ? std::to_string(d->I_rel).c_str() : "",
                        d ? std::to_string(d->tau_h).c_str() : "",
                        d ? std::to_string(static_cast<double>(d->p) * d->step / 3600).c_str() : "",
                        d ? std::to_string(d->M).c_str() : "", d ? opt(d->R_first).c_str() : "",
                        d ? opt(d->R_last).c_str() : "",
                        d ? std::to_string(d->coefficients[1] + d->coefficients[3] + d->coefficients[4]).c_str() : "",
                        d ? std::to_string(d->coefficients[5] + d->coefficients[6] - d->coefficients[2]).c_str() : "",
                        trust_name(v.trust), opt(v.R_best).c_str(),
                        opt(err(v.R_best)).c_str(), v.method.c_str(), v.reason.c_str());
            ++total;
            if (v.trust == analysis::Trust::reliable) {
              ++reliable;
              worst = std::max(worst, std::fabs(*err(v.R_best)));
            }
          }
        }
  std::fprintf(stderr, "reliable %d of %d, largest error when reliable %.2f %%\n", reliable, total, worst);
}
