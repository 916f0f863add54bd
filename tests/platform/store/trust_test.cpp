#include "platform/store/paths.h"

#include "platform/store/test_folders.h"
#include "platform/store/test_hostile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

using namespace store;
using testing_support::kOtherUid;

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
  // Each file is also reached by a link, which counts for its file: the file the link leads to
  // and its folder are what counts.
  const std::filesystem::path links = Place("links", 0755, 0644).parent_path();
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

TEST_F(Trust, MissingRelativeAndFolderPathsAreRefused) {
  EXPECT_EQ(CheckTrusted(root.Path() / "missing.so").problem, "it is missing");
  EXPECT_EQ(CheckTrusted("libm.so.6").problem, "its path is not absolute");
  EXPECT_EQ(CheckTrusted(root.Path()).problem, "it is not a file");
}

// Whoever can rename an entry on the way, or owns a link followed, could swap in other code:
// every folder from "/" down and every link are looked at, not only the file and its folder. What
// belongs to another user only its owner could mend.
TEST_F(Trust, OtherUsersFilesAndEveryFolderOnTheWayAndEveryLinkFollowedCount) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving files to another user needs root";
  using Change = std::function<void(const std::filesystem::path& top)>;  // to the way to top/a/b/libthing.so
  const auto mode = [](const char* at, mode_t m) -> Change {
    return [=](const auto& top) { ::chmod((top / at).c_str(), m); };
  };
  const auto theirs = [](const char* at) -> Change {
    return [=](const auto& top) { ::lchown((top / at).c_str(), kOtherUid, kOtherUid); };
  };
  const auto link = [](const char* target, const char* at) -> Change {
    return [=](const auto& top) { std::filesystem::create_symlink(target, top / at); };
  };
  struct Case {
    const char* name;
    std::vector<Change> changes;
    const char* path;     // checked, below top
    std::string problem;  // "%" stands for top; "" when trusted
  };
  const Case cases[] = {
      {"safe all the way", {}, "a/b/libthing.so", ""},
      {"another user's file", {theirs("a/b/libthing.so")}, "a/b/libthing.so", "it belongs to another user (uid 4242)"},
      {"another user's folder", {theirs("a/b")}, "a/b/libthing.so", "its folder %/a/b belongs to another user (uid 4242)"},
      {"an open folder two levels up", {mode("", 0777)}, "a/b/libthing.so",
       "the folder % above it can be written by every user"},
      {"a sticky open folder above", {mode("", 01777)}, "a/b/libthing.so", ""},
      {"another user's folder above", {theirs("a")}, "a/b/libthing.so",
       "the folder %/a above it belongs to another user (uid 4242)"},
      {"the user's link with .. in it", {link("a/../a/./b/libthing.so", "link.so")}, "link.so", ""},
      {"another user's link", {link("a/b/libthing.so", "link.so"), theirs("link.so")}, "link.so",
       "the link %/link.so on its way belongs to another user (uid 4242)"},
      {"a link in an open folder", {mode("open", 0777), link("../a", "open/to-a")}, "open/to-a/b/libthing.so",
       "the folder %/open above it can be written by every user"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::TempFolder top;
    ::chmod(top.Path().c_str(), 0755);
    std::filesystem::create_directories(top.Path() / "a" / "b");
    std::filesystem::create_directories(top.Path() / "open");
    std::ofstream(top.Path() / "a" / "b" / "libthing.so") << "code";
    for (const Change& change : c.changes) change(top.Path());
    std::string problem = c.problem;
    if (const auto at = problem.find('%'); at != std::string::npos) problem.replace(at, 1, top.Path().string());
    const TrustCheck check = CheckTrusted(top.Path() / c.path);
    EXPECT_EQ(check.problem, problem);
    EXPECT_EQ(check.trusted, problem.empty());
    EXPECT_EQ(static_cast<bool>(check.file), problem.empty()) << "the file checked is held open when trusted";
    EXPECT_TRUE(problem.find("another user") == std::string::npos || check.remedy.empty()) << check.remedy;
    EXPECT_TRUE(!problem.empty() || check.resolved == top.Path() / "a" / "b" / "libthing.so");
  }
}

}  // namespace
