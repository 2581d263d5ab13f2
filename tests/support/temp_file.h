#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace vordex::testing {

// A path in the temporary folder that no other test process uses: ctest runs
// tests in parallel and two checkouts may test on one machine at a time, so the
// name carries the running test's name and a random token.
inline std::filesystem::path UniqueTempPath(const std::string& stem,
                                            const std::string& extension = ".csv") {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string test = info ? std::string(info->test_suite_name()) + "." + info->name() : "none";
  static thread_local std::mt19937_64 token{std::random_device{}()};
  return std::filesystem::temp_directory_path() /
         ("vordex_" + stem + "_" + test + "_" + std::to_string(token()) + extension);
}

// A file holding `text`, removed at the end of the scope.
class TempFile {
 public:
  explicit TempFile(const std::string& text, const std::string& stem = "input")
      : path_(UniqueTempPath(stem)) {
    std::ofstream(path_) << text;
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace vordex::testing
