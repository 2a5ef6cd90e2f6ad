// The wall's layers as typed, the heat stored in them against a case worked by
// hand, and the verdict on modelled walls of known resistance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analysis/assessment.h"
#include "analysis/measuring_time.h"
#include "analysis/stored_heat.h"
#include "support/wall_series.h"

namespace kalora::analysis {
namespace {

// Built-in materials take λ of the conditions of use: a wall of 380 mm ceramic brick
// and 100 mm mineral wool has a design R of 2.92 with A and 2.69 with B (the default).
TEST(WallLayers, ReadsNamesTypedValuesAndRefusesTheRest) {
  constexpr auto A = Conditions::A, B = Conditions::B;
  struct Case {
    std::string text;
    Conditions conditions;
    std::string error;  // empty when it reads
    std::optional<double> R, capacity;
  };
  const Case cases[] = {
      {"кирпич керамический:380,минеральная вата:100", A, "", 0.38 / 0.70 + 0.1 / 0.042,
       0.38 * 1800 * 880 + 0.1 * 100 * 840},
      {"кирпич керамический:380,минеральная вата:100", B, "", 0.38 / 0.81 + 0.1 / 0.045,
       0.38 * 1800 * 880 + 0.1 * 100 * 840},
      {" 0.5/1000/1000 : 200 , OSB:12", B, "", 0.2 / 0.5 + 0.012 / 0.16, 0.2 * 1000 * 1000 + 0.012 * 650 * 1700},
      {"0.7:20,газобетон D500:300", A, "", 0.02 / 0.7 + 0.3 / 0.141, std::nullopt},
      {"0.7:20,газобетон D600:300", B, "", 0.02 / 0.7 + 0.3 / 0.183, std::nullopt},
      {"керамзитобетон:200", B, "", 0.2 / 0.52, 0.2 * 1200 * 840},  // the name an earlier version kept
      {"", B, "", std::nullopt, std::nullopt},
      {"кирпич:380", B, "неизвестный материал: «кирпич»", std::nullopt, std::nullopt},
      {"минеральная вата", B, "слой без толщины: «минеральная вата»", std::nullopt, std::nullopt},
      {"OSB:0", B, "неверная толщина слоя: «OSB:0»", std::nullopt, std::nullopt},
      {"0.5/1000:10", B, "неизвестный материал: «0.5/1000»", std::nullopt, std::nullopt},
      {"OSB:12,", B, "слой без толщины: «»", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + (c.conditions == A ? " (А)" : " (Б)"));
    const LayersParse got = parse_layers(c.text, c.conditions);
    EXPECT_EQ(got.error, c.error);
    Wall wall;
    wall.layers = parse_layers(c.text).layers;  // read under B, then the conditions chosen
    wall.set_conditions(c.conditions);
    EXPECT_EQ(wall.resistance().has_value(), c.R.has_value());
    if (c.R) {
      EXPECT_NEAR(*wall.resistance(), *c.R, 1e-12);
    }
    EXPECT_EQ(wall.capacity().has_value(), c.capacity.has_value());
    if (c.capacity) {
      EXPECT_NEAR(*wall.capacity(), *c.capacity, 1e-6);
    }
    // What the window stores reads back as the same layers.
    EXPECT_EQ(layers_text(parse_layers(layers_text(got.layers)).layers), layers_text(got.layers));
  }
}

// Hourly rows over three days: the first day at 18 / −4 °C, the last at 19 / 8 °C,
// q 10 W/m² throughout (2.592 MJ/m² passed).
TEST(StoredHeat, TwoLayersWorkedByHand) {
  std::vector<double> seconds, q, t_si, t_se;
  for (int h = 0; h <= 72; ++h) {
    seconds.push_back(h * 3600.0);
    q.push_back(10);
    t_si.push_back(h <= 24 ? 18 : h >= 48 ? 19 : 30);
    t_se.push_back(h <= 24 ? -4 : h >= 48 ? 8 : 30);
  }
  // Layers: 200 mm of λ 1, C 200 kJ/(m²·K), and 100 mm of λ 0.05, C 10 kJ/(m²·K).
  // Their middles sit at R 0.1 and 1.2 of 2.2: 17 and 6 °C, then 18.5 and 13 °C, so
  // ΔQ = 200·1.5 + 10·7 = 370 kJ/m². A total 210 kJ/(m²·K) alone: the mean of both
  // surfaces goes from 7 to 13.5 °C, 1365 kJ/m².
  struct Case {
    std::string layers;
    std::optional<double> total;  // J/(m²·K)
    std::size_t rows;
    std::optional<double> percent;
  };
  const Case cases[] = {
      {"1/1000/1000:200,0.05/100/1000:100", {}, 73, 370.0 / 2592 * 100},
      {"", 210e3, 73, 1365.0 / 2592 * 100},
      {"1:200,0.05:100", 210e3, 73, 1365.0 / 2592 * 100},
      {"1:200,0.05:100", {}, 73, std::nullopt},
      {"1/1000/1000:200,0.05/100/1000:100", {}, 24, std::nullopt},
  };
  for (const Case& c : cases) {
    Wall wall;
    wall.layers = parse_layers(c.layers).layers;
    wall.heat_capacity = c.total;
    auto cut = [&](const std::vector<double>& v) { return std::vector<double>(v.begin(), v.begin() + c.rows); };
    const auto s = cut(seconds), f = cut(q), i = cut(t_si), e = cut(t_se);
    const auto got = stored_heat_percent({s, f, i, e}, wall);
    ASSERT_EQ(got.has_value(), c.percent.has_value()) << c.layers;
    if (c.percent) {
      EXPECT_NEAR(*got, *c.percent, 1e-9) << c.layers;
    }
  }
}

// The wall's slowest time constant: 500 mm of brick held at both surfaces decays as
// R·C/π² = 15.92 h; held through 1/8.7 and 1/23 at the air (the first root of
// tan βL = β(a+b)/(β²−ab), a = 8.7/λ, b = 23/λ) as 23.42 h. Without
// capacities, only a grey-box model whose errors are white may give it.
TEST(Verdict, WallMemoryFromLayersOrAWhiteModel) {
  struct Case {
    std::string layers;
    int kind;
    std::optional<double> white_p;  // a grey-box model with τ 20 h
    std::optional<double> hours;
  };
  const Case cases[] = {
      {"0.7/1800/880:500", 1, {}, 15.92}, {"0.7/1800/880:500", 0, {}, 23.42},
      {"0.7:500", 1, 0.2, 20.0},           // no capacities: the white model's τ
      {"0.7:500", 1, 0.01, std::nullopt},  // nor from a model that misses the data
      {"", 1, {}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layers + " " + std::to_string(c.kind));
    AnalysisOptions options;
    options.wall.layers = parse_layers(c.layers).layers;
    ChannelResult r;
    if (c.white_p) {
      r.greybox.emplace();
      r.greybox->tau_h = {20.0};
      r.greybox->white_p = *c.white_p;
    }
    const auto got = memory_hours(r, c.kind, options);
    ASSERT_EQ(got.has_value(), c.hours.has_value());
    if (c.hours) {
      EXPECT_NEAR(*got, *c.hours, 0.01 * *c.hours);
    }
  }
}

// What the user is told to do: record longer, or that the weather is too mild for it.
TEST(Verdict, AdviceNamesTheDaysOrTheMildWeather) {
  struct Case {
    Trust trust;
    std::optional<double> days_more;
    double dT_mean;
    std::string advice;
  };
  const Case cases[] = {
      {Trust::unreliable, 4, 12, "Продолжите измерение ещё примерно 4 сут."},
      {Trust::undetermined, 1, 30, "Продолжите измерение ещё примерно 1 сут."},
      {Trust::unreliable,
       {},
       3.04,
       "Перепад температур слишком мал (3,0 °C): продолжение измерения не поможет, повторите его в более холодную "
       "погоду."},
      {Trust::reliable, {}, 12, ""},
  };
  for (const Case& c : cases) {
    ChannelResult r;
    r.dT_mean = c.dT_mean;
    r.verdict.trust = c.trust;
    r.verdict.R_best = 2.0;
    r.verdict.days_more = c.days_more;
    EXPECT_EQ(measuring_advice(r), c.advice);
  }
}

// The three things a user relies on, on modelled walls of known resistance in varied
// weathers: "reliable" only beside an R_best within 5 % of the truth, R_best's interval
// holding the true R, and a series continued by "days_more" days becoming reliable. The
// traps: heavy and solid-brick walls a few days long, far off yet steady.
TEST(Verdict, OnModelledWallsOfKnownResistance) {
  constexpr auto yes = Trust::reliable, no = Trust::unreliable;
  struct Case {
    std::string wall;
    int kind;
    double days;
    bool layers;
    std::uint32_t seed;
    Trust trust;
    bool covered;
    std::optional<bool> held;  // continued by days_more days, reliable
  };
  const Case cases[] = {
      {"light", 1, 3, true, 1, yes, true, {}},
      {"light", 1, 3, false, 1, no, true, true},
      {"light", 0, 3, false, 3, yes, true, {}},
      {"medium", 0, 5, false, 3, yes, true, {}},
      {"medium", 1, 5, true, 5, yes, true, {}},
      {"heavy", 0, 10, true, 2, yes, true, {}},
      {"heavy", 1, 10, false, 6, yes, true, {}},
      {"brick510", 1, 10, true, 5, yes, true, {}},
      {"heavy", 1, 3, false, 4, no, false, true},
      {"heavy", 0, 5, true, 2, no, false, false},
      {"heavy", 1, 7, true, 2, no, true, true},
      {"brick510", 0, 3, false, 5, no, false, true},
      {"light", 1, 2, false, 1, Trust::undetermined, true, false},
  };
  const auto walls = test::model_walls();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wall + " " + std::to_string(c.kind) + " " + std::to_string(c.days) + " " + std::to_string(c.seed));
    const auto& w = *std::find_if(walls.begin(), walls.end(), [&](const auto& m) { return m.name == c.wall; });
    AnalysisOptions options;
    if (c.layers) options.wall = test::wall_of(w);
    const auto run = [&](double days) {
      const test::Logged logged = test::simulate(w, test::varied_weather(c.seed), days, c.kind);
      auto r = analyse_channel(test::series_of(logged, c.kind), 1, options);
      if (r) assess(*r, c.kind, options);
      return std::pair{r, logged.true_R};
    };
    const auto [r, R] = run(c.days);
    ASSERT_TRUE(r);
    const Verdict& v = r->verdict;
    EXPECT_EQ(v.trust, c.trust) << v.reason;
    ASSERT_TRUE(v.R_best);
    if (v.trust == Trust::reliable) {
      EXPECT_NEAR(*v.R_best, R, 0.05 * R);
    }
    EXPECT_EQ(v.R_lo && *v.R_lo <= R && R <= *v.R_hi, c.covered) << R << " " << v.R_lo.value_or(0);
    ASSERT_EQ(v.days_more.has_value(), c.held.has_value());
    if (c.held) {
      EXPECT_EQ(run(c.days + *v.days_more).first->verdict.trust == Trust::reliable, *c.held);
    }
  }
}

}  // namespace
}  // namespace kalora::analysis
