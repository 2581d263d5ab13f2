#include "app.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/run_fixture.h"

namespace vordex::cli {
namespace {

TEST(App, HelpAndVersionSucceed) {
  const Outcome help = RunTool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("datasets"), std::string::npos);
  const Outcome version = RunTool({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("vordex ", 0), 0u) << version.out;
}

TEST(App, MissingOrUnknownCommandFailsWithAMessage) {
  for (const auto& args : {std::vector<const char*>{}, std::vector<const char*>{"frobnicate"}}) {
    const Outcome o = RunTool(args);
    EXPECT_NE(o.status, 0);
    EXPECT_FALSE(o.err.empty());
  }
}

TEST(App, DatasetsListsEveryEmbeddedSeries) {
  const Outcome o = RunTool({"datasets", "--format", "json"});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto json = nlohmann::json::parse(o.out);
  ASSERT_EQ(json["datasets"].size(), 5u);
  EXPECT_EQ(json["datasets"][0]["name"], "airline");
  EXPECT_EQ(json["datasets"][0]["length"], 144);
  EXPECT_EQ(json["datasets"][0]["frequency"], 12);
  EXPECT_EQ(json["datasets"][0]["start"], "1949-01");
}

TEST(App, SeriesReportsABadInputOnTheErrorStream) {
  const Outcome o = RunTool({"series", "no/such/file.csv"});
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(o.out.empty());
  EXPECT_EQ(o.err, "vordex series: no/such/file.csv: cannot open the file\n");
  const Outcome fine = RunTool({"series", "--dataset", "ukgas", "--format", "csv"});
  ASSERT_EQ(fine.status, 0) << fine.err;
  EXPECT_EQ(fine.out.substr(0, 20), "t,ukgas\n1,160.1\n2,12");
}

}  // namespace
}  // namespace vordex::cli
