#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app.h"
#include "cli/run_fixture.h"
#include "datasets.h"
#include "dates.h"
#include "support/bits.h"
#include "support/temp_file.h"
#include "vordex/auto.hpp"
#include "vordex/batch.hpp"
#include "vordex/model.hpp"
#include "vordex/names.hpp"

namespace vordex::cli {
namespace {

std::filesystem::path TempPath(const std::string& name) {
  const auto dot = name.rfind('.');
  return testing::UniqueTempPath("batch_" + name.substr(0, dot), name.substr(dot));
}

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The airline series from 1949-01 as "airline" in long format, a series with a missing value
// inside and one with a month missing; with `airline_last`, the airline series after the others.
std::string LongFile(bool airline_last) {
  const auto month = [](int k) { return FormatTime(Time{Calendar::kMonth, 1949 * 12 + k}); };
  std::string airline;
  const auto values = FindDataset("airline")->values;
  for (std::size_t k = 0; k < values.size(); ++k)
    airline += "airline," + month(static_cast<int>(k)) + "," + std::to_string(values[k]) + "\n";
  std::string others;
  for (int k = 0; k < 30; ++k)
    others += "holey," + month(k) + "," + (k == 9 ? "NA" : std::to_string(5 + k % 3)) + "\n";
  for (int k = 0; k < 30; ++k)
    if (k != 12) others += "gappy," + month(k) + ",7\n";
  return "id,time,value\n" + (airline_last ? others + airline : airline + others);
}

std::vector<std::string> LinesOf(const std::string& text, const std::string& id) {
  std::vector<std::string> lines;
  for (const std::string& line : Lines(text))
    if (line.rfind(id + ",", 0) == 0) lines.push_back(line);
  return lines;
}

TEST(BatchCommand, LongFileWithDatesGivesEachSeriesItsSingleFitAndSummarisesTheBadOnes) {
  const auto input = TempPath("long.csv");
  const auto reordered = TempPath("reordered.csv");
  const auto summary = TempPath("summary.csv");
  std::ofstream(input) << LongFile(false);
  std::ofstream(reordered) << LongFile(true);
  const std::string in = input.string();
  const std::string in_reordered = reordered.string();
  const std::string sum = summary.string();
  const Outcome two = RunTool({"batch", "ets", in.c_str(), "--horizon", "3", "--paths", "500",
                               "--threads", "2", "--summary", sum.c_str()});
  const std::string summary_text = Slurp(summary);
  const Outcome one = RunTool(
      {"batch", "ets", in_reordered.c_str(), "--horizon", "3", "--paths", "500", "--threads", "1"});
  std::filesystem::remove(input);
  std::filesystem::remove(reordered);
  std::filesystem::remove(summary);

  // Some series failed: status 3; every series has its summary line, in input order, its status
  // by name and code.
  EXPECT_EQ(two.status, 3) << two.err;
  EXPECT_NE(two.err.find("fitted 3 series in "), std::string::npos) << two.err;
  EXPECT_NE(two.err.find(": 2 ok, 1 failed"), std::string::npos) << two.err;
  const std::vector<std::string> rows = Lines(summary_text);
  ASSERT_EQ(rows.size(), 4u) << summary_text;
  EXPECT_EQ(rows[0],
            "id,status,code,message,model,parameters,log_likelihood,aic,aicc,bic,sigma2,n,missing,"
            "members");
  EXPECT_EQ(rows[1].rfind("airline,ok,0,,\"ETS(", 0), 0u) << rows[1];
  // A missing cell is a gap the method predicts through.
  EXPECT_EQ(rows[2].rfind("holey,ok,0,", 0), 0u) << rows[2];
  EXPECT_NE(rows[2].find(",30,1,"), std::string::npos) << rows[2];  // thirty rows, one missing
  EXPECT_EQ(rows[3],
            "gappy,invalid_data,,no observation for 1950-01 (between 1949-12 and 1950-02)"
            ",,,,,,,,29,0,");

  // The forecasts continue the months, and are those of the single-series call with the
  // series' seed and the calendar's period.
  const std::vector<std::string> forecasts = Lines(two.out);
  ASSERT_EQ(forecasts.size(), 7u) << two.out;  // airline's three steps, then holey's
  EXPECT_EQ(forecasts[0], "id,time,mean,lower_80,upper_80,lower_95,upper_95");
  ets::Settings settings;
  settings.period = 12;
  settings.horizon = 3;
  settings.paths = 500;
  settings.seed = SeriesSeed(ets::kDefaultSeed, "airline");
  const auto airline = FindDataset("airline")->values;
  const ets::Result single =
      ets::Fit(std::vector<double>(airline.begin(), airline.end()), settings);
  for (std::size_t k = 0; k < 3; ++k) {
    std::istringstream row(forecasts[k + 1]);
    std::vector<std::string> cells;
    for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 7u) << forecasts[k + 1];
    EXPECT_EQ(cells[0], "airline");
    EXPECT_EQ(cells[1], "1961-0" + std::to_string(k + 1));
    const double expected[] = {single.mean[k], single.limits[0].lower[k], single.limits[0].upper[k],
                               single.limits[1].lower[k], single.limits[1].upper[k]};
    for (std::size_t c = 0; c < 5; ++c)
      EXPECT_TRUE(testing::SameBits(std::stod(cells[c + 2]), expected[c])) << cells[c + 2];
  }

  // A series' seed follows its id: on one thread, after the others, it gets the same numbers.
  // Without a summary file the failures go to the error stream.
  EXPECT_EQ(LinesOf(one.out, "airline"), LinesOf(two.out, "airline"));
  EXPECT_NE(one.err.find("series gappy: no observation for 1950-01"), std::string::npos) << one.err;
}

// Every model the batch can continue goes to --models, one JSON line with its id, and a loaded one
// forecasts the batch's numbers (the second route); a fallback forecast has no model to keep, and
// its summary line says so while its forecasts stay.
TEST(BatchCommand, ModelsFileHoldsEachModelThatCanContinueAndNamesTheOthers) {
  const auto input = TempPath("models.csv");
  const auto models = TempPath("models.jsonl");
  const auto summary = TempPath("models_summary.json");
  std::ofstream(input) << LongFile(false) << "tiny,1949-01,5\ntiny,1949-02,6\n";
  const std::string in = input.string(), mod = models.string(), sum = summary.string();
  const Outcome o = RunTool({"batch", "theta", in.c_str(), "--horizon", "3", "--models",
                             mod.c_str(), "--summary", sum.c_str(), "--format", "json"});
  std::ifstream model_lines(models);
  const std::vector<Model> saved = LoadMany(model_lines);
  const std::vector<std::string> rows = Lines(Slurp(summary));
  std::filesystem::remove(input);
  std::filesystem::remove(models);
  std::filesystem::remove(summary);

  EXPECT_EQ(o.status, 3) << o.err;  // gappy's missing month
  ASSERT_EQ(saved.size(), 2u);      // airline and holey
  EXPECT_EQ(saved[0].id, "airline");
  const std::vector<std::string> forecasts = Lines(o.out);
  const Model predicted = Predict(saved[0], 3, {80.0, 95.0});
  const Forecast& again = Common(predicted);
  for (std::size_t k = 0; k < 3; ++k) {
    const auto row = nlohmann::json::parse(forecasts[k]);
    EXPECT_EQ(row["id"], "airline");
    EXPECT_TRUE(testing::SameBits(row["mean"].get<double>(), again.mean[k]));
    EXPECT_TRUE(testing::SameBits(row["upper_95"].get<double>(), again.limits[1].upper[k]));
  }
  ASSERT_EQ(rows.size(), 4u);
  const auto tiny = nlohmann::json::parse(rows[3]);
  EXPECT_EQ(tiny["status"], "fallback");
  EXPECT_NE(tiny["message"].get<std::string>().find("model not saved: "), std::string::npos)
      << rows[3];
  EXPECT_EQ(LinesOf(o.out, "{\"id\":\"tiny\"").size(), 3u);
}

TEST(BatchCommand, WideFileToJsonLines) {
  const auto input = TempPath("wide.csv");
  const auto summary = TempPath("wide_summary.json");
  {
    std::ofstream file(input);
    file << "year,nile,twice\n";
    const auto nile = FindDataset("nile")->values;
    for (std::size_t k = 0; k < nile.size(); ++k)
      file << 1871 + k << ',' << nile[k] << ',' << 2 * nile[k] << '\n';
  }
  const std::string in = input.string();
  const std::string sum = summary.string();
  const Outcome o = RunTool({"batch", "arima", "--wide", "--order", "1,1,1", in.c_str(),
                             "--horizon", "2", "--format", "json", "--summary", sum.c_str()});
  const std::vector<std::string> summary_lines = Lines(Slurp(summary));
  std::filesystem::remove(input);
  std::filesystem::remove(summary);
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<std::string> lines = Lines(o.out);
  ASSERT_EQ(lines.size(), 4u) << o.out;
  const auto first = nlohmann::json::parse(lines[0]);
  EXPECT_EQ(first["id"], "nile");
  EXPECT_EQ(first["time"], 1971);  // the years continue; annual data: no seasonal part
  const auto doubled = nlohmann::json::parse(lines[2]);
  EXPECT_EQ(doubled["id"], "twice");
  // Doubling a series on the log scale only shifts it: the forecasts double.
  EXPECT_NEAR(doubled["mean"].get<double>(), 2 * first["mean"].get<double>(),
              1e-6 * first["mean"].get<double>());
  EXPECT_NEAR(doubled["upper_95"].get<double>(), 2 * first["upper_95"].get<double>(),
              1e-6 * first["upper_95"].get<double>());
  ASSERT_EQ(summary_lines.size(), 2u);
  const auto s = nlohmann::json::parse(summary_lines[0]);
  EXPECT_EQ(s["model"], "ARIMA(1,1,1)");
  EXPECT_TRUE(s["parameters"]["ar1"].is_number());
  EXPECT_EQ(s["n"], 100);
}

TEST(BatchCommand, AutomaticMethodsGiveTheSingleSeriesResultsAndTheirCriterion) {
  const auto input = TempPath("auto.csv");
  const auto summary = TempPath("auto_summary.json");
  const auto nile = FindDataset("nile")->values;
  {
    std::ofstream file(input);
    file << "year,nile\n";
    for (std::size_t k = 0; k < nile.size(); ++k) file << 1871 + k << ',' << nile[k] << '\n';
  }
  const std::string in = input.string();
  const std::string sum = summary.string();
  for (const char* method : {"auto-arima", "theta", "auto"}) {
    const Outcome o = RunTool({"batch", method, "--wide", in.c_str(), "--horizon", "2", "--format",
                               "json", "--summary", sum.c_str()});
    ASSERT_EQ(o.status, 0) << method << ": " << o.err;
    const std::vector<std::string> lines = Lines(o.out);
    ASSERT_EQ(lines.size(), 2u) << o.out;
    const auto row = nlohmann::json::parse(Lines(Slurp(summary)).at(0));
    // Yearly times: period 1.
    const std::string name = method;
    double forecast = 0.0;
    if (name == "auto-arima") {
      const auto_arima::Result r = auto_arima::Fit(nile, {.period = 1, .horizon = 2});
      forecast = r.mean[1];
      EXPECT_EQ(row["model"], ModelName(r));
      EXPECT_EQ(row["aicc"].get<double>(), r.aicc);
    } else if (name == "theta") {
      forecast = theta::Fit(nile, {.period = 1, .horizon = 2}).mean[1];
      EXPECT_TRUE(row["parameters"]["drift"].is_number());
      EXPECT_TRUE(row["aic"].is_null());  // no likelihood
    } else {
      forecast = auto_forecast::Fit(nile, {.period = 1, .horizon = 2}).mean[1];
      EXPECT_EQ(row["model"].get<std::string>().rfind("mean of ", 0), 0u);
    }
    EXPECT_EQ(nlohmann::json::parse(lines[1])["mean"].get<double>(), forecast) << method;
  }
  std::filesystem::remove(input);
  std::filesystem::remove(summary);
}

TEST(BatchCommand, ASeriesWithAWarningCountsAsFitted) {
  // Two values: too few for a model; the naive forecast stands in and says why.
  const auto input = TempPath("short.csv");
  const auto summary = TempPath("short_summary.csv");
  std::ofstream(input) << "id,value\nshort,1\nshort,2\n";
  const std::string in = input.string();
  const std::string sum = summary.string();
  const Outcome o =
      RunTool({"batch", "auto", in.c_str(), "--horizon", "1", "--summary", sum.c_str()});
  const std::vector<std::string> rows = Lines(Slurp(summary));
  std::filesystem::remove(input);
  std::filesystem::remove(summary);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.err.find(": 1 ok, 0 failed"), std::string::npos) << o.err;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].rfind("short,fallback,602,", 0), 0u) << rows[1];
  EXPECT_NE(rows[1].find("too few"), std::string::npos) << rows[1];  // why it is no model
  EXPECT_EQ(Lines(o.out).size(), 2u) << o.out;                       // its forecast
}

TEST(BatchCommand, UnreadableInputExitsWithTwoBeforeWritingAnything) {
  const auto input = TempPath("bad.csv");
  std::ofstream(input) << "id,time,value\na,1,5\na,2,6\nb,1,seven\n";
  const std::string in = input.string();
  const Outcome o = RunTool({"batch", "armax", in.c_str()});
  std::filesystem::remove(input);
  EXPECT_EQ(o.status, 2);
  EXPECT_TRUE(o.out.empty()) << o.out;
  EXPECT_NE(o.err.find("line 4, column 3: \"seven\" is not a number"), std::string::npos) << o.err;
  EXPECT_EQ(RunTool({"batch", "ets", "no/such/file.csv"}).status, 2);
  EXPECT_NE(RunTool({"batch", "ets"}).status, 0);  // no input named
}

// Forty copies of the airline series as a long file, their rows interleaved time by time.
std::string InterleavedFile() {
  std::ostringstream text;
  text << "id,value\n";
  for (const double y : FindDataset("airline")->values)
    for (int s = 0; s < 40; ++s) text << 's' << 100 + s << ',' << y << '\n';
  return text.str();
}

// A folder of the test's own for a run's files, removed at the end of the scope.
struct RunFolder {
  RunFolder() { std::filesystem::create_directory(path); }
  ~RunFolder() { std::filesystem::remove_all(path); }
  std::string operator/(const char* name) const { return (path / name).string(); }
  std::size_t Entries() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path), {}));
  }
  std::filesystem::path path = testing::UniqueTempPath("batch_run", "");
};

// Standard output that raises SIGTERM when the first forecast row (after the header) is written.
class SignalOnFirstRow : public std::streambuf {
  int_type overflow(int_type c) override {
    if (c == '\n' && ++lines_ == 2) std::raise(SIGTERM);
    return c;
  }
  int lines_ = 0;
};

TEST(BatchCommand, AStopSignalSavesTheFinishedSeriesAndListsTheRestAsCancelled) {
  RunFolder folder;
  const std::string input = folder / "in.csv", summary = folder / "summary.csv";
  std::ofstream(input) << InterleavedFile();
  // The signal reaches the batch while its first result is written: whatever the other series'
  // state then, the run must end as interrupted, with complete files.
  const auto run = [&] {
    SignalOnFirstRow buffer;
    std::ostream out(&buffer);
    std::ostringstream err;
    const char* args[] = {"vordex", "batch", "theta", input.c_str(), "--horizon",
                          "2",      "-j",    "1",     "--summary",   summary.c_str()};
    std::exit(cli::Run(static_cast<int>(std::size(args)), args, out, err));
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(4), "");
  const std::vector<std::string> rows = Lines(Slurp(summary));
  ASSERT_EQ(rows.size(), 42u) << Slurp(summary);
  std::size_t cancelled = 0;
  for (int s = 0; s < 40; ++s) {
    const std::string& row = rows[static_cast<std::size_t>(s) + 1];
    const std::string id = 's' + std::to_string(100 + s);
    const bool was_cancelled = row.rfind(id + ",cancelled,", 0) == 0;
    cancelled += was_cancelled;
    EXPECT_TRUE(was_cancelled || row.rfind(id + ",ok,0,", 0) == 0) << row;
  }
  EXPECT_TRUE(rows[1].rfind("s100,ok,", 0) == 0);  // its forecasts were being written
  EXPECT_GT(cancelled, 0u);
  EXPECT_EQ(rows.back(),
            "# interrupted by SIGTERM: " + std::to_string(cancelled) + " of 40 series cancelled");
  EXPECT_EQ(folder.Entries(), 2u);  // no temporary left
}

TEST(BatchCommand, AFullDiskIsReportedAndLeavesTheFilesAsTheyWere) {
  RunFolder folder;
  const std::string input = folder / "in.csv", output = folder / "forecasts.csv",
                    summary = folder / "summary.csv";
  std::ofstream(input) << InterleavedFile();
  std::ofstream(output) << "old\n";
  // Files may not grow past 4 KiB (the forecasts take about 80): the write fails with EFBIG
  // instead of the signal SIGXFSZ, as writes fail on a full disk.
  const auto run = [&] {
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
    std::ostringstream out;
    const char* args[] = {"vordex",   "batch",        "theta",     input.c_str(),
                          "--output", output.c_str(), "--summary", summary.c_str()};
    std::exit(cli::Run(static_cast<int>(std::size(args)), args, out, std::cerr));
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(1), "forecasts.csv: File too large");
  EXPECT_EQ(Slurp(output), "old\n");
  EXPECT_EQ(folder.Entries(), 2u);  // the input and the old forecasts: no summary, no temporary
}

}  // namespace
}  // namespace vordex::cli
