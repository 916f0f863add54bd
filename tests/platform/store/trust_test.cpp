#include "platform/store/paths.h"

#include "platform/store/test_folders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

using namespace store;

namespace {

class Trust : public ::testing::Test {
 protected:
  // folder/libthing.so under the test's own folder, each with its mode.
  std::filesystem::path Place(const std::string& folder, int folderMode, int mode) {
    const std::filesystem::path file = root.Path() / folder / "libthing.so";
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "code";
    std::filesystem::permissions(file, std::filesystem::perms(mode));
    std::filesystem::permissions(file.parent_path(), std::filesystem::perms(folderMode));
    return file;
  }
  testing_support::TempFolder root;
};

TEST_F(Trust, TheFileAndItsFolderMayBeWrittenOnlyByTheirOwnerAndALinkCountsForItsFile) {
  // The problem is "" when trusted; "%" stands for the folder, and then the remedy is for it.
  const std::tuple<int, int, std::string> cases[] = {
      {0755, 0755, ""},
      {0700, 0644, ""},
      {0755, 0775, "it can be written by its group"},
      {0755, 0757, "it can be written by every user"},
      {0775, 0755, "its folder % can be written by its group"},
      {0777, 0644, "its folder % can be written by every user"},
      {01777, 0644, "its folder % can be written by every user"},  // sticky or not
  };
  // Each file is also reached by a link from an open folder, which counts for nothing: the file
  // the link leads to and its folder are what counts.
  const std::filesystem::path links = Place("links", 0777, 0644).parent_path();
  for (auto [folderMode, fileMode, problem] : cases) {
    const std::string name = std::to_string(folderMode) + "-" + std::to_string(fileMode);
    const auto file = Place(name, folderMode, fileMode);
    std::filesystem::create_symlink(file, links / name);
    const auto at = problem.find('%');
    if (at != std::string::npos) problem.replace(at, 1, file.parent_path().string());
    for (const auto& path : {file, links / name}) {
      SCOPED_TRACE(path);
      const TrustCheck check = CheckTrusted(path);
      EXPECT_EQ(check.trusted, problem.empty());
      EXPECT_EQ(check.resolved, file);
      EXPECT_EQ(check.problem, problem);
      if (!problem.empty()) {
        EXPECT_EQ(check.remedy, "chmod go-w " + (at != std::string::npos ? file.parent_path() : file).string());
      }
    }
  }
}

TEST_F(Trust, MissingRelativeAndOtherUsersFilesAreRefused) {
  EXPECT_EQ(CheckTrusted(root.Path() / "missing.so").problem, "it is missing");
  EXPECT_EQ(CheckTrusted("libm.so.6").problem, "its path is not absolute");
  EXPECT_EQ(CheckTrusted(root.Path()).problem, "it is not a file");
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
  const auto theirs = Place("theirs", 0755, 0644);
  ASSERT_EQ(::chown(theirs.c_str(), 4242, 4242), 0);
  EXPECT_EQ(CheckTrusted(theirs).problem, "it belongs to another user (uid 4242)");
  EXPECT_EQ(CheckTrusted(theirs).remedy, "") << "only its owner could mend it";
  ASSERT_EQ(::chown(theirs.c_str(), 0, 0), 0);
  ASSERT_EQ(::chown(theirs.parent_path().c_str(), 4242, 4242), 0);
  EXPECT_EQ(CheckTrusted(theirs).problem, "its folder " + theirs.parent_path().string() + " belongs to another user (uid 4242)");
}

}  // namespace
