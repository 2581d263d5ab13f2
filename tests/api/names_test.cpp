// The library's one name table: every value of every public enumeration has one canonical name
// that reads back as itself, names are unique within an enumeration, and the aliases users type
// (letters of ETS(A,Ad,M), R's spellings) land on the right values.
#include "vordex/names.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vordex {
namespace {

template <class Enum>
void ExpectRoundTrips(std::size_t count) {
  const auto all = AllNames<Enum>();
  EXPECT_EQ(all.size(), count);
  std::set<std::string_view> names;
  std::set<int> values;
  for (const auto& [value, name] : all) {
    EXPECT_FALSE(name.empty());
    EXPECT_TRUE(names.insert(name).second) << name;
    EXPECT_TRUE(values.insert(static_cast<int>(value)).second) << name;
    EXPECT_EQ(FromString<Enum>(name), value) << name;
    // Case and '-' for '_' do not matter.
    std::string shouted(name);
    for (char& c : shouted) c = c == '_' ? '-' : static_cast<char>(std::toupper(c));
    EXPECT_EQ(FromString<Enum>(shouted), value) << shouted;
  }
  EXPECT_FALSE(FromString<Enum>("no such name").has_value());
}

TEST(Names, EveryEnumerationRoundTrips) {
  ExpectRoundTrips<Transform>(4);
  ExpectRoundTrips<Method>(6);
  ExpectRoundTrips<Interval>(7);
  ExpectRoundTrips<mstl::AdjustedModel>(4);
  ExpectRoundTrips<ets::ErrorForm>(3);
  ExpectRoundTrips<ets::Trend>(5);
  ExpectRoundTrips<ets::Season>(4);
  ExpectRoundTrips<ets::Criterion>(5);
  ExpectRoundTrips<ets::Initialization>(3);
  ExpectRoundTrips<ets::Disturbances>(2);
  ExpectRoundTrips<ets::InformationCriterion>(3);
  ExpectRoundTrips<ets::Search>(5);
  // Every status of status.hpp, each with its own value: the frame's 13, ARIMA's 15 rules,
  // smoothing's 21, ARMAX's 6, six of the typed surfaces, two warnings, and ok.
  ExpectRoundTrips<Status>(1 + 13 + 15 + 21 + 6 + 6 + 2);
}

TEST(Names, AliasesAndNamesOfValues) {
  EXPECT_EQ(FromString<ets::Trend>("Ad"), ets::Trend::kDamped);
  EXPECT_EQ(FromString<ets::ErrorForm>("M"), ets::ErrorForm::kMultiplicative);
  EXPECT_EQ(FromString<ets::Criterion>("amse"), ets::Criterion::kAverageMse);
  EXPECT_EQ(FromString<ets::Disturbances>("bootstrap"), ets::Disturbances::kResampled);
  EXPECT_EQ(FromString<Method>("auto-arima"), Method::kAutoArima);
  EXPECT_EQ(StatusName(Status::kArimaTooFewForSeasonal), "arima_too_few_for_seasonal");
  EXPECT_EQ(StatusName(static_cast<Status>(12345)), "");
  EXPECT_EQ(ToString(Transform::kSquareRoot), "sqrt");
  EXPECT_EQ(ModelName(ets::Model{ets::ErrorForm::kAdditive, ets::Trend::kDamped,
                                 ets::Season::kNone}),
            "ETS(A,Ad,N)");
  EXPECT_EQ(ModelName(auto_arima::Candidate{.p = 1, .d = 1, .constant = true}, 1),
            "ARIMA(1,1,0) with drift");
  EXPECT_EQ(ModelName(auto_arima::Candidate{.P = 1, .D = 1}, 4), "ARIMA(0,0,0)(1,1,0)[4]");
}

TEST(SeriesSeed, DependsOnTheIdAndTheBatchSeedOnly) {
  EXPECT_EQ(SeriesSeed(7, "north"), SeriesSeed(7, std::string("north")));
  // Neighbouring ids and batch seeds give distinct seeds.
  std::set<std::uint32_t> seeds;
  for (int i = 0; i < 1000; ++i) seeds.insert(SeriesSeed(7, "series" + std::to_string(i)));
  for (std::uint32_t batch = 0; batch < 1000; ++batch) seeds.insert(SeriesSeed(batch, "x"));
  EXPECT_GE(seeds.size(), 1999u);
}

}  // namespace
}  // namespace vordex
