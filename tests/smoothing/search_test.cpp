#include "smoothing/search.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/capture.h"
#include "support/pegels_state.h"

namespace vordex::smoothing {
namespace {

using testing::FreshPegels;

std::vector<Candidate> Candidates(PegelsState& P) {
  Candidate c[kMaxCandidates];
  const int count = PegelsCandidates(P, c);
  return std::vector<Candidate>(c, c + count);
}

TEST(PegelsCandidates, AdditiveSearchOverAllOpenComponents) {
  PegelsState& P = FreshPegels(48, 12, 3, ErrorForm::kAuto, Trend::kAuto, Season::kAuto);
  P.searchType = Search::kAdditiveOnly;
  const auto c = Candidates(P);
  ASSERT_EQ(c.size(), 6u);
  // Seasonality outer, trend inner, additive forms only.
  using enum Trend;
  const Trend trends[6] = {kNone, kAdditive, kDamped, kNone, kAdditive, kDamped};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(c[i].modelType, ErrorForm::kAdditive);
    EXPECT_EQ(c[i].trendType, trends[i]);
    EXPECT_EQ(c[i].seasonalityType, i < 3 ? Season::kNone : Season::kAdditive);
  }
  P.s = 1;
  EXPECT_EQ(Candidates(P).size(), 3u);
}

TEST(PegelsCandidates, FullSearchAndItsExclusions) {
  PegelsState& P = FreshPegels(48, 12, 3, ErrorForm::kAuto, Trend::kAuto, Season::kAuto);
  P.searchType = Search::kAllForms;
  const auto all = Candidates(P);
  ASSERT_EQ(all.size(), 24u);
  EXPECT_EQ(all.front().modelType, ErrorForm::kMultiplicative);
  EXPECT_EQ(all[4].seasonalityType, Season::kAdditive);  // four trends per seasonality
  EXPECT_EQ(all[12].modelType, ErrorForm::kAdditive);    // twelve per error form
  P.hasZeros = 1;
  EXPECT_EQ(Candidates(P).size(), 6u);
  P.hasZeros = 0;
  // s = 1 allows no seasonality even when it is open.
  P.s = 1;
  for (const Candidate& c : Candidates(P)) EXPECT_EQ(c.seasonalityType, Season::kNone);
  EXPECT_EQ(Candidates(P).size(), 8u);
  // A fixed multiplicative component leaves nothing for an additive-only search.
  P.s = 12;
  P.searchType = Search::kAdditiveOnly;
  P.trendType = Trend::kMultiplicative;
  EXPECT_EQ(Candidates(P).size(), 0u);
}

TEST(PegelsCandidates, TheAutomaticPresetsRestrictions) {
  PegelsState& P = FreshPegels(48, 12, 3, ErrorForm::kAuto, Trend::kAuto, Season::kAuto);
  P.searchType = Search::kAllForms;
  P.restrictForms = 1;
  P.multiplicativeTrend = 0;
  P.minSeasons = 2;
  // Multiplicative errors: three seasons by none, additive, damped trend; additive errors the
  // same without multiplicative seasonality.
  const auto c = Candidates(P);
  EXPECT_EQ(c.size(), 9u + 6u);
  for (const Candidate& x : c) {
    EXPECT_NE(x.trendType, Trend::kMultiplicative);
    EXPECT_FALSE(x.modelType == ErrorForm::kAdditive &&
                 x.seasonalityType == Season::kMultiplicative);
  }
  // Fewer than two full seasons: no seasonal form is tried.
  P.minSeasons = 5;
  EXPECT_EQ(Candidates(P).size(), 6u);
  // With the multiplicative trend allowed, the restriction still leaves out M,M,A and A,M,*.
  P.minSeasons = 2;
  P.multiplicativeTrend = 1;
  EXPECT_EQ(Candidates(P).size(), 15u + 2u);
}

// A stand-in estimator that gives each candidate a chosen information criterion and a simple
// smoothing fit that Pegelsfit can rebuild.
thread_local std::vector<double> ic_by_call;
thread_local std::vector<Initialization> methods_seen;
thread_local int calls = 0;

int FakeEstimate(PegelsState& P) {
  methods_seen.push_back(P.initializationMethod);
  P.par[1] = 0.1 + 0.01 * calls;
  P.par[2] = HasTrend(P.trendType) ? 0.05 : 0.0;
  P.par[3] = HasSeason(P.seasonalityType) ? 0.05 : 0.0;
  P.par[4] = P.trendType == Trend::kDamped ? 0.9 : 1.0;
  P.l[0] = 1.0;
  P.b[0] = P.trendType == Trend::kMultiplicative ? 1.0 : 0.0;
  P.icValue = calls < static_cast<int>(ic_by_call.size()) ? ic_by_call[calls] : 1e10;
  ++calls;
  return 1;
}

PegelsState& SearchState() {
  PegelsState& P = FreshPegels(8, 1, 3, ErrorForm::kAdditive, Trend::kAuto, Season::kNone);
  P.searchType = Search::kAllForms;
  P.initializationMethod = Initialization::kHeuristic;
  for (int t = 1; t <= 8; ++t) P.y[t] = 1.0 + 0.1 * (t % 3);
  calls = 0;
  methods_seen.clear();
  return P;
}

TEST(Pegelssearch, TiesKeepTheEarlierCandidate) {
  testing::MessageCapture capture;
  PegelsState& P = SearchState();
  // Trends none, additive, multiplicative, damped in that order; additive and damped tie at the
  // lowest value.
  ic_by_call = {5.0, 3.0, 4.0, 3.0};
  ASSERT_EQ(PegelssearchWith(P, &FakeEstimate), 1);
  EXPECT_EQ(P.trendType, Trend::kAdditive);
  EXPECT_DOUBLE_EQ(P.par[1], 0.11);
  // The chosen fit is rebuilt for the chosen parameters.
  EXPECT_EQ(P.l[0], 1.0);
}

TEST(Pegelssearch, NothingBelowTheCeilingFails) {
  testing::MessageCapture capture;
  PegelsState& P = SearchState();
  ic_by_call = {1e10, 2e10, 1e10, 1e11};
  EXPECT_EQ(PegelssearchWith(P, &FakeEstimate), 0);
}

TEST(Pegelssearch, MethodThreeComparesHeuristicStatesThenEstimatesTheWinner) {
  testing::MessageCapture capture;
  PegelsState& P = SearchState();
  P.initializationMethod = Initialization::kEstimatedForWinner;
  ic_by_call = {5.0, 4.0, 6.0, 7.0, 0.0};
  ASSERT_EQ(PegelssearchWith(P, &FakeEstimate), 1);
  ASSERT_EQ(methods_seen.size(), 5u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(methods_seen[i], Initialization::kHeuristic);
  EXPECT_EQ(methods_seen[4], Initialization::kEstimated);
  EXPECT_EQ(P.initializationMethod, Initialization::kEstimatedForWinner);
  EXPECT_EQ(P.trendType, Trend::kAdditive);
}

}  // namespace
}  // namespace vordex::smoothing
