// Results per sample worked out by hand: grouping by comment, the figures of a
// group, its line λ(tср) and its possible outliers.
#include <gtest/gtest.h>

#include <cmath>

#include "sample_stats/sample_groups.h"

namespace kalora::samples {
namespace {

constexpr double none = NAN;  // a figure that must be empty

// A stationary row at mean temperature t (Tн = t + 10, Tх = t − 10).
SampleRow stat_row(double n, double lambda, double t, double h = 50, double r = 1, double q = 10,
                   std::string comment = "x") {
  SampleRow row;
  row.n = n;
  row.lambda = lambda;
  row.t_up = t + 10;
  row.t_down = t - 10;
  row.thick = h;
  row.r = r;
  row.q = q;
  row.comment = std::move(comment);
  return row;
}

void expect_figure(std::optional<double> got, double want, const char* what) {
  if (std::isnan(want)) {
    EXPECT_FALSE(got) << what;
  } else {
    ASSERT_TRUE(got) << what;
    EXPECT_NEAR(*got, want, 1e-12 * std::max(1.0, std::fabs(want))) << what;
  }
}

TEST(SampleGroups, FiguresOfOneStationaryGroup) {
  struct Fit {
    double lambda0, b, r2, low, high;
    bool low_outside, high_outside;
  };
  struct Case {
    const char* name;
    std::vector<SampleRow> rows;
    double mean, sd, cv, ci95, min, max, h, r, q, t;
    std::optional<Fit> fit;
    NoFit no_fit;
    std::vector<std::size_t> outliers;
  };
  const std::vector<Case> cases{
      // Four rows, t(0.975; 3) = 3.182446305284263; the line meets 10 °C at the lowest tср.
      {"worked by hand",
       {stat_row(1, 0.036, 10, 50, 1, 10), stat_row(2, 0.037, 15, 50, 2, 20), stat_row(3, 0.039, 20, 40, 3, 30),
        stat_row(4, 0.040, 25, 40, 4, 40)},
       0.038, 0.0018257418583505554, 4.8045838377646195, 0.0029051627157552747, 0.036, 0.040, 45, 2.5, 25, 17.5,
       Fit{0.0331, 0.00028, 0.98, 0.0359, 0.0401, false, false}, NoFit::none, {}},
      {"one row", {stat_row(7, 0.5, 20, 30, 0.06, 80)}, 0.5, none, none, none, 0.5, 0.5, 30, 0.06, 80, 20,
       std::nullopt, NoFit::few_rows, {}},
      {"tср spans less than 5 °C",
       {stat_row(1, 0.1, 24), stat_row(2, 0.1, 25), stat_row(3, 0.1, 28.9)}, 0.1, 0, 0, 0, 0.1, 0.1, 50, 1, 10,
       25.966666666666667, std::nullopt, NoFit::narrow_span, {}},
      // Exactly 5 °C is enough; every λ the same gives no r², 10 °C lies below the range.
      {"tср spans 5 °C",
       {stat_row(1, 0.1, 24), stat_row(2, 0.1, 25), stat_row(3, 0.1, 29)}, 0.1, 0, 0, 0, 0.1, 0.1, 50, 1, 10, 26,
       Fit{0.1, 0, none, 0.1, 0.1, true, false}, NoFit::none, {}},
      // The fifth value lies far outside the others' 3 sd, none of the others does;
      // t(0.975; 4) = 2.776445105197793.
      {"an outlier",
       {stat_row(1, 0.040, 25), stat_row(2, 0.041, 25), stat_row(3, 0.040, 25), stat_row(4, 0.041, 25),
        stat_row(5, 0.060, 25)},
       0.0444, 0.008734987120768981, 19.673394416146355, 0.010845919032632396, 0.040, 0.060, 50, 1, 10, 25, std::nullopt,
       NoFit::narrow_span, {4}},
      // Three rows are too few to judge one of them; t(0.975; 2) = 4.302652729749464.
      {"three rows, no outlier test",
       {stat_row(1, 0.040, 25), stat_row(2, 0.040, 25), stat_row(3, 0.400, 25)}, 0.16, 0.20784609690826528,
       129.9038105676658, 0.5163183275699357, 0.040, 0.400, 50, 1, 10, 25, std::nullopt, NoFit::narrow_span, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SampleResults results = sample_groups(c.rows, Method::stationary);
    ASSERT_EQ(results.groups.size(), 1u);
    const SampleGroup& g = results.groups[0];
    EXPECT_EQ(g.n, c.rows.size());
    expect_figure(g.lambda_mean, c.mean, "mean");
    expect_figure(g.lambda_sd, c.sd, "sd");
    expect_figure(g.lambda_cv, c.cv, "cv");
    expect_figure(g.lambda_ci95, c.ci95, "ci95");
    expect_figure(g.lambda_min, c.min, "min");
    expect_figure(g.lambda_max, c.max, "max");
    expect_figure(g.thick_mean, c.h, "H");
    expect_figure(g.r_mean, c.r, "R");
    expect_figure(g.q_mean, c.q, "q");
    expect_figure(g.t_mean, c.t, "tср");
    EXPECT_EQ(g.no_fit, c.no_fit);
    ASSERT_EQ(g.fit.has_value(), c.fit.has_value());
    if (c.fit) {
      expect_figure(g.fit->lambda0, c.fit->lambda0, "λ0");
      expect_figure(g.fit->b, c.fit->b, "b");
      expect_figure(g.fit->r2, c.fit->r2, "r²");
      expect_figure(g.fit->lambda_low, c.fit->low, "λ(10)");
      expect_figure(g.fit->lambda_high, c.fit->high, "λ(25)");
      EXPECT_EQ(g.fit->low_outside, c.fit->low_outside);
      EXPECT_EQ(g.fit->high_outside, c.fit->high_outside);
    }
    EXPECT_EQ(g.outliers, c.outliers);
  }
}

TEST(SampleGroups, ProbeGroupGivesDiffusivityOfTheMeans) {
  std::vector<SampleRow> rows(2);
  rows[0].lambda = 1.2, rows[0].c = 0.84, rows[0].rho = 2000;
  rows[1].lambda = 1.3, rows[1].c = 0.84, rows[1].rho = 2400;
  const SampleGroup g = sample_groups(rows, Method::probe).groups.at(0);
  expect_figure(g.lambda_mean, 1.25, "mean");
  expect_figure(g.c_mean, 0.84, "c");
  expect_figure(g.rho_mean, 2200, "ρ");
  expect_figure(g.diffusivity, 0.6764069264069265, "a, mm²/s");  // 1.25 / (2200 · 0.84 · 1000) m²/s
  EXPECT_FALSE(g.fit);
  EXPECT_FALSE(g.t_mean);
}

TEST(SampleGroups, CommentsGroupWithoutEndSpacesAndLetterCase) {
  const std::vector<std::string> comments{"Образец А", "  образец а  ", "ОБРАЗЕЦ А", "Образец Б", "", "   ",
                                          "Ёлка ґ",    "ёЛКА Ґ",        "Latin ABC", "latin abc", "Образец  А"};
  struct Group {
    std::string name;
    std::vector<std::size_t> rows;
  };
  const std::vector<Group> expected{{"Образец А", {0, 1, 2}}, {"Образец Б", {3}},         {"(без комментария)", {4, 5}},
                                    {"Ёлка ґ", {6, 7}},       {"Latin ABC", {8, 9}}, {"Образец  А", {10}}};
  std::vector<SampleRow> rows;
  for (std::size_t i = 0; i < comments.size(); ++i) rows.push_back(stat_row(i + 1, 0.1, 20, 50, 1, 10, comments[i]));
  const SampleResults results = sample_groups(rows, Method::stationary);
  ASSERT_EQ(results.groups.size(), expected.size());
  for (std::size_t k = 0; k < expected.size(); ++k) {
    EXPECT_EQ(results.groups[k].name, expected[k].name);
    EXPECT_EQ(results.groups[k].rows, expected[k].rows);
    EXPECT_EQ(results.groups[k].commented, expected[k].name != no_comment_name);
  }
}

}  // namespace
}  // namespace kalora::samples
