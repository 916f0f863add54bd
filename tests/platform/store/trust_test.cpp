#include "platform/store/paths.h"

#include "platform/store/test_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace store;
using testing_support::TempFolder;

namespace {

class Trust : public ::testing::Test {
 protected:
  // A file with its mode in a folder with its mode, under the test's own folder.
  std::filesystem::path Place(const std::string& folderName, mode_t folderMode, const std::string& name, mode_t mode) {
    const std::filesystem::path folder = root.Path() / folderName;
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / name;
    std::ofstream(file) << "code";
    ::chmod(file.c_str(), mode);
    ::chmod(folder.c_str(), folderMode);
    return file;
  }
  TempFolder root;
};

TEST_F(Trust, TheFileAndItsFolderMayBeWrittenOnlyByTheirOwner) {
  struct Case {
    mode_t folderMode, fileMode;
    bool trusted;
    const char* problem;  // "" when trusted; "%" stands for the place named
    bool remedyForFolder;
  };
  const Case cases[] = {
      {0755, 0755, true, "", false},
      {0700, 0644, true, "", false},
      {0755, 0775, false, "it can be written by its group", false},
      {0755, 0757, false, "it can be written by every user", false},
      {0775, 0755, false, "its folder % can be written by its group", true},
      {0777, 0644, false, "its folder % can be written by every user", true},
      {01777, 0644, false, "its folder % can be written by every user", true},  // sticky or not
  };
  int n = 0;
  for (const Case& c : cases) {
    const auto file = Place("f" + std::to_string(n++), c.folderMode, "libthing.so", c.fileMode);
    const TrustCheck check = CheckTrusted(file);
    const std::string where = "folder " + std::to_string(c.folderMode) + " file " + std::to_string(c.fileMode);
    EXPECT_EQ(check.trusted, c.trusted) << where;
    EXPECT_EQ(check.resolved, file) << where;
    std::string problem = c.problem;
    if (auto at = problem.find('%'); at != std::string::npos) problem.replace(at, 1, file.parent_path().string());
    EXPECT_EQ(check.problem, problem) << where;
    if (!c.trusted) {
      EXPECT_EQ(check.remedy, "chmod go-w " + (c.remedyForFolder ? file.parent_path() : file).string()) << where;
    }
  }
}

// A link counts for the file it leads to: a link in an open folder to a sound file is sound, a
// link in a sound folder to a file in an open one is not.
TEST_F(Trust, LinksAreFollowedToTheRealFileWhoseFolderCounts) {
  const auto good = Place("good", 0755, "libthing.so", 0644);
  const auto bad = Place("bad", 0777, "libevil.so", 0644);
  const auto open = Place("open", 0777, "unused", 0644).parent_path();
  std::filesystem::create_symlink(good, open / "libthing.so");
  std::filesystem::create_symlink(bad, good.parent_path() / "libevil.so");
  EXPECT_EQ(CheckTrusted(open / "libthing.so").resolved, good);
  EXPECT_TRUE(CheckTrusted(open / "libthing.so"));
  EXPECT_EQ(CheckTrusted(good.parent_path() / "libevil.so").problem,
            "its folder " + bad.parent_path().string() + " can be written by every user");
}

TEST_F(Trust, MissingRelativeAndOtherUsersFilesAreRefused) {
  EXPECT_EQ(CheckTrusted(root.Path() / "missing.so").problem, "it is missing");
  EXPECT_EQ(CheckTrusted("libm.so.6").problem, "its path is not absolute");
  EXPECT_EQ(CheckTrusted(root.Path()).problem, "it is not a file");
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  const auto theirs = Place("theirs", 0755, "libthing.so", 0644);
  ASSERT_EQ(::chown(theirs.c_str(), 4242, 4242), 0);
  TrustCheck check = CheckTrusted(theirs);
  EXPECT_EQ(check.problem, "it belongs to another user (uid 4242)");
  EXPECT_EQ(check.remedy, "") << "only its owner could mend it";
  ASSERT_EQ(::chown(theirs.c_str(), 0, 0), 0);
  ASSERT_EQ(::chown(theirs.parent_path().c_str(), 4242, 4242), 0);
  EXPECT_EQ(CheckTrusted(theirs).problem, "its folder " + theirs.parent_path().string() + " belongs to another user (uid 4242)");
}

}  // namespace
