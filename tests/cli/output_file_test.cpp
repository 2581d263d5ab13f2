#include "output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/temp_file.h"

namespace vordex::cli {
namespace {

namespace fs = std::filesystem;

// A folder of the test's own, removed at the end of the scope.
class TempFolder {
 public:
  TempFolder() : path_(testing::UniqueTempPath("output_file", "")) { fs::create_directory(path_); }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  std::size_t Entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(path_), {}));
  }

 private:
  fs::path path_;
};

std::string Slurp(const fs::path& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

TEST(AtomicOutputFile, TheNewTextReplacesTheOldOnlyOnCommitKeepingTheMode) {
  TempFolder folder;
  const fs::path path = folder / "out.csv";
  std::ofstream(path) << "old\n";
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  std::string error;
  {
    AtomicOutputFile file;
    ASSERT_TRUE(file.Open(path.string(), error)) << error;
    file.stream() << std::string(200000, 'x') << '\n';  // more than its buffer
    // Until the commit the old file stands, the new text beside it in the same folder.
    EXPECT_EQ(Slurp(path), "old\n");
    EXPECT_EQ(fs::path(file.temporary()).parent_path(), path.parent_path());
    EXPECT_EQ(folder.Entries(), 2u);
    ASSERT_TRUE(file.Commit(error)) << error;
  }
  EXPECT_EQ(Slurp(path), std::string(200000, 'x') + '\n');
  EXPECT_EQ(folder.Entries(), 1u);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(AtomicOutputFile, WithoutCommitNothingIsLeft) {
  TempFolder folder;
  const fs::path path = folder / "out.csv";
  std::string error;
  {
    AtomicOutputFile file;
    ASSERT_TRUE(file.Open(path.string(), error)) << error;
    file.stream() << "partial";
  }
  EXPECT_EQ(folder.Entries(), 0u);
  AtomicOutputFile in_folder;
  EXPECT_FALSE(in_folder.Open((folder / "no" / "out.csv").string(), error));
  EXPECT_EQ(error, (folder / "no" / "out.csv").string() + ": No such file or directory");
}

TEST(AtomicOutputFile, ADeviceIsWrittenInPlaceNotReplaced) {
  std::string error;
  AtomicOutputFile file;
  ASSERT_TRUE(file.Open("/dev/null", error)) << error;
  EXPECT_TRUE(file.temporary().empty());
  file.stream() << "text";
  ASSERT_TRUE(file.Commit(error)) << error;
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

}  // namespace
}  // namespace vordex::cli
