#include "evaluate/diagnostics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/datasets.h"
#include "support/tolerances.h"

namespace vordex::evaluate {
namespace {

using vordex::testing::kClosedForm;

std::vector<double> Diff(const std::vector<double>& x) {
  std::vector<double> d;
  for (std::size_t t = 1; t < x.size(); ++t) d.push_back(x[t] - x[t - 1]);
  return d;
}

std::vector<double> WithGaps(std::vector<double> x, std::initializer_list<int> at) {
  for (int i : at) x[i] = NAN;  // 0-based: R's index minus 1
  return x;
}

// R 4.2.2: options(digits = 17); a <- acf(Nile, lag.max = 10, plot = FALSE); a$acf[2:11];
// qnorm(0.975) / sqrt(a$n.used). With gaps: x <- USAccDeaths; x[c(10, 40, 41)] <- NA;
// acf(x, lag.max = 12, plot = FALSE, na.action = na.pass)$acf[2:13] (n.used 72).
TEST(Autocorrelations, AgreeWithRsAcfWithAndWithoutGaps) {
  const auto check = [](const std::vector<double>& x, const std::vector<double>& acf,
                        double bound) {
    const auto r = Autocorrelations(x, static_cast<int>(acf.size()));
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.value.acf.size(), acf.size() + 1);
    EXPECT_EQ(r.value.acf[0], 1.0);
    for (std::size_t k = 0; k < acf.size(); ++k)
      EXPECT_NEAR(r.value.acf[k + 1], acf[k], kClosedForm) << "lag " << k + 1;
    EXPECT_NEAR(r.value.bound, bound, kClosedForm);
  };
  check(testing::LoadDataset("nile"),
        {0.498408184133029453, 0.384576903904872536, 0.327860437522546344, 0.239191169941485871,
         0.228421986720840214, 0.227300982564720755, 0.222046115263292126, 0.299961182040464069,
         0.141739657780826478, 0.089791411003994792},
        0.19599639845400535);
  check(WithGaps(testing::LoadDataset("usaccdeaths"), {9, 39, 40}),
        {0.712086236691973351, 0.385374651570538240, 0.062320905993775662, -0.210820231985816064,
         -0.349868228604669707, -0.469998009126293914, -0.396883867966400794, -0.302823913382906096,
         -0.098189266402552697, 0.138706020545711739, 0.434762954276775970, 0.641514208567454891},
        1.959963984540054 / std::sqrt(72.0));
}

// R 4.2.2, options(digits = 17): b <- Box.test(x, lag, type = "Ljung-Box", fitdf);
// c(b$statistic, b$p.value) for the cases below (R's p-value is 1 - pchisq(...), hence the
// absolute comparison); tseries 0.10-52: jarque.bera.test(x).
TEST(LjungBoxAndJarqueBera, AgreeWithRsBoxTestAndJarqueBeraTest) {
  const std::vector<double> nile = testing::LoadDataset("nile");
  const std::vector<double> d_nile = Diff(nile);
  struct Case {
    std::string name;  // the R expression of x
    std::vector<double> x;
    int lag, fitdf;
    double statistic, p_value;
  };
  const Case cases[] = {
      {"Nile", nile, 10, 2, 88.126871551299971, 1.1102230246251565e-15},
      {"diff(Nile)", d_nile, 10, 1, 30.2600554294547769985, 0.0003961807186191324},
      {"diff(Nile), NA at 10, 40, 41", WithGaps(d_nile, {9, 39, 40}), 8, 2, 32.190117707973634,
       1.5003739152530393e-05},
      {"USAccDeaths, NA at 10, 40, 41", WithGaps(testing::LoadDataset("usaccdeaths"), {9, 39, 40}),
       12, 1, 151.10811816907764, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = LjungBox(c.x, c.lag, c.fitdf);
    ASSERT_TRUE(r.ok());
    EXPECT_NEAR(r.value.statistic, c.statistic, kClosedForm * c.statistic);
    EXPECT_NEAR(r.value.p_value, c.p_value, kClosedForm);
    EXPECT_EQ(r.value.df, c.lag - c.fitdf);
  }
  EXPECT_NEAR(JarqueBera(nile).statistic, 2.11940429549598974, kClosedForm);
  EXPECT_NEAR(JarqueBera(nile).p_value, 0.34655901834299097, kClosedForm);
  EXPECT_NEAR(JarqueBera(d_nile).statistic, 0.95091645815975934, kClosedForm);
  // A gap is left out: inserting one changes nothing.
  std::vector<double> gapped = d_nile;
  gapped.insert(gapped.begin() + 5, NAN);
  EXPECT_EQ(JarqueBera(gapped).statistic, JarqueBera(d_nile).statistic);
  EXPECT_EQ(JarqueBera(gapped).n, 99);
}

// forecast 8.20, checkresiduals.R: lag <- ifelse(freq > 1, 2 * freq, 10); lag <- min(lag,
// round(length(residuals) / 5)); lag <- max(df + 3, lag). forecast::Acf: lag.max <-
// max(floor(10 * log10(n)), 2 * frequency(x)). R 4.2.2: dl <- diff(log(AirPassengers)); mean(dl);
// sd(dl); Box.test(dl, 24, "Ljung-Box", fitdf = 2) and jarque.bera.test(dl) as above.
TEST(Diagnose, GathersTheDefaultsOfCheckresiduals) {
  EXPECT_EQ(DefaultLjungBoxLag(40, 1, 0), 8);
  EXPECT_EQ(DefaultLjungBoxLag(30, 12, 4), 7);
  EXPECT_EQ(DefaultLjungBoxLag(200, 4, 1), 8);
  EXPECT_EQ(DefaultAcfLags(100, 1), 20);
  std::vector<double> log_ap;
  for (double v : testing::Airline()) log_ap.push_back(std::log(v));
  const auto r = Diagnose(Diff(log_ap), 12, 2);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value.n, 143);
  EXPECT_NEAR(r.value.mean, 0.0094400469716714452, kClosedForm);
  EXPECT_NEAR(r.value.sd, 0.1065561475298461569, kClosedForm);
  EXPECT_EQ(r.value.acf.acf.size(), 25u);  // lags 0 .. max(21, 24)
  EXPECT_EQ(r.value.ljung_box.lag, 24);    // min(24, round(143 / 5))
  EXPECT_NEAR(r.value.ljung_box.statistic, 321.52817955509221, kClosedForm * 321.5);
  EXPECT_NEAR(r.value.jarque_bera.statistic, 6.7765776813371632, kClosedForm);
  EXPECT_NEAR(r.value.jarque_bera.p_value, 0.0337664071953796, kClosedForm);
  EXPECT_FALSE(Diagnose(log_ap, 0).ok());
  EXPECT_FALSE(LjungBox(log_ap, 0).ok());
  EXPECT_TRUE(std::isnan(LjungBox({{1.0, 2.0, 4.0}}, 5).value.statistic));  // too few values
}

}  // namespace
}  // namespace vordex::evaluate
