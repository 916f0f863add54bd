#include "sound/file_io.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "platform/basic/basic.h"
#include "platform/store/test_folders.h"

namespace stavelark {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using Result = std::pair<int, std::string>;  // a write's error number and description; {} when it succeeds
constexpr uid_t kOther = 65534;              // a user without the administrator's rights

class FileIoTest : public ::testing::Test {
 protected:
  FileIoTest() { ::chmod(dir_.c_str(), 0711); }  // another user may reach the files inside

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Put(const std::string& name, const std::string& text) const { std::ofstream(Path(name)) << text; }
  std::string Get(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::set<std::string> Names(const std::string& folder = "") const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_ / folder)) names.insert(e.path().filename().string());
    return names;
  }
  static Result Write(const std::string& path, std::string_view text = "new") {
    try {
      WriteFileAtomically(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    } catch (const basic::RuntimeError& e) {
      return {e.number, e.description};
    }
    return {};
  }
  // Runs `body` as a user without the administrator's rights (in a child process when this
  // one has them) and returns its result.
  static int AsUser(const auto& body) {
    if (::geteuid() != 0) return body();
    const pid_t child = ::fork();
    if (child == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(200);
      ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
  }

  const testing_support::TempFolder folder_;
  const fs::path dir_ = folder_.Path();
};

TEST_F(FileIoTest, ASaveThroughALinkWritesItsFinalTargetAndKeepsTheLink) {
  fs::create_directory(dir_ / "real");
  Put("real/song.msf", "old");
  ::chmod(Path("real/song.msf").c_str(), 0640);
  fs::create_symlink("real/song.msf", dir_ / "inner");  // relative to the link's folder
  fs::create_symlink(dir_ / "inner", dir_ / "outer");
  fs::create_symlink("made.msf", dir_ / "dangling");  // a link to a file not made yet makes it
  EXPECT_EQ(Write(Path("outer")), Result{});
  EXPECT_EQ(Write(Path("dangling"), "made"), Result{});
  EXPECT_EQ(Get("real/song.msf"), "new");
  EXPECT_EQ(Get("made.msf"), "made");
  EXPECT_EQ(fs::status(dir_ / "real/song.msf").permissions() & fs::perms::all, fs::perms(0640));
  for (const char* link : {"outer", "inner", "dangling"}) EXPECT_TRUE(fs::is_symlink(dir_ / link)) << link;
  EXPECT_THAT(Names(), ElementsAre("dangling", "inner", "made.msf", "outer", "real"));
  EXPECT_THAT(Names("real"), ElementsAre("song.msf"));
}

TEST_F(FileIoTest, FailuresSayWhyInTheSystemsWords) {
  Put("plain", "keep");
  fs::create_directory(dir_ / "folder");
  fs::create_symlink("loop2", dir_ / "loop1");
  fs::create_symlink("loop1", dir_ / "loop2");
  EXPECT_EQ(Write(Path("missing/a.mid")), (Result{76, "No such file or directory"}));
  EXPECT_EQ(Write(Path("plain/a.mid")), (Result{76, "Not a directory"}));
  EXPECT_EQ(Write(Path("folder")), (Result{75, "Is a directory"}));
  EXPECT_EQ(Write(Path(std::string(300, 'n'))), (Result{52, "File name too long"}));
  EXPECT_EQ(Write(Path("loop1")), (Result{75, "Too many levels of symbolic links"}));
  EXPECT_EQ(Get("plain"), "keep");
}

TEST_F(FileIoTest, AFileInAFolderTheUserMayNotWriteIsNeverWrittenOver) {
  fs::create_directory(dir_ / "locked");
  Put("locked/song.msf", "old song");
  ::chmod(Path("locked/song.msf").c_str(), 0666);
  ::chmod(Path("locked").c_str(), 0555);
  const Result refused{70, "A save writes the new file beside the old one first, and the folder " + Path("locked") +
                               " may not be written (Permission denied); the file is unchanged"};
  EXPECT_EQ(AsUser([&] { return Write(Path("locked/song.msf")) == refused ? 0 : 1; }), 0);
  EXPECT_EQ(Get("locked/song.msf"), "old song");
  EXPECT_EQ(AsUser([&] { return Write(Path("locked/new.msf")).first; }), 70) << "a new file needs the folder";
  EXPECT_THAT(Names(), ElementsAre("locked"));
  EXPECT_THAT(Names("locked"), ElementsAre("song.msf")) << "nothing else was made there";
  ::chmod(Path("locked").c_str(), 0700);  // so that the folder can go
}

TEST_F(FileIoTest, AFileWhosePermissionsRefuseTheUserIsNotReplaced) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs files of two users";
  ::chmod(dir_.c_str(), 0777);
  struct Case { const char* name; mode_t mode; uid_t owner; bool asUser; };  // else saved by the administrator
  for (const Case& c : {Case{"mine-readonly", 0444, 0, false}, Case{"theirs-readonly", 0444, kOther, true},
                        Case{"others", 0644, 0, true}}) {
    SCOPED_TRACE(c.name);
    Put(c.name, "keep");
    ASSERT_EQ(::chown(Path(c.name).c_str(), c.owner, c.owner), 0);
    ::chmod(Path(c.name).c_str(), c.mode);
    const auto save = [&] { return Write(Path(c.name)).first; };
    EXPECT_EQ(c.asUser ? AsUser(save) : save(), 70);
    EXPECT_EQ(Get(c.name), "keep");
  }
  EXPECT_EQ(Write(Path("mine-readonly")).second, "Permission denied");
}

TEST_F(FileIoTest, ALinkIsFollowedOnlyWhereTheSystemWouldFollowIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs links of two users";
  // Links to a file and to a file not made yet, in a folder of that mode and owner.
  struct Case { const char* folder; mode_t mode; uid_t folderOwner, linkOwner; bool followed; };
  for (const Case& c : {Case{"shared", 01777, 0, kOther, false}, Case{"shared-mine", 01777, 0, 0, true},
                        Case{"open", 0777, 0, kOther, true}, Case{"theirs", 01777, kOther, kOther, true}}) {
    SCOPED_TRACE(c.folder);
    const fs::path folder = dir_ / c.folder;
    const std::string victim = std::string(c.folder) + "-victim", made = std::string(c.folder) + "-made";
    fs::create_directory(folder);
    Put(victim, "keep");
    fs::create_symlink(Path(victim), folder / "tune.msf");
    fs::create_symlink(Path(made), folder / "dangling.msf");
    for (const char* link : {"tune.msf", "dangling.msf"})
      ASSERT_EQ(::lchown((folder / link).c_str(), c.linkOwner, c.linkOwner), 0);
    ASSERT_EQ(::chown(folder.c_str(), c.folderOwner, c.folderOwner), 0);
    ::chmod(folder.c_str(), c.mode);
    const Result refused{70, "It is a link that another user made in " + folder.string() +
                                 ", a folder every user may write, so it is not followed (Permission denied)"};
    EXPECT_EQ(Write((folder / "tune.msf").string()), c.followed ? Result{} : refused);
    EXPECT_EQ(Write((folder / "dangling.msf").string()), c.followed ? Result{} : refused);
    EXPECT_EQ(Get(victim), c.followed ? "new" : "keep");
    EXPECT_EQ(fs::exists(dir_ / made), c.followed);
  }
}

TEST_F(FileIoTest, ASaveRemovesTheLeftoversOfItsOwnTargetThatNoWriteHolds) {
  Put("a.mid", "old");
  for (const char* name : {".a.mid.1F2E.tmp", ".a.mid.77.tmp", ".a.mid.xyz.tmp", ".b.mid.1F2E.tmp", "a.mid.1F2E.tmp"})
    Put(name, std::string(4000, 'x'));
  // A write still under way holds its file locked.
  const int held = ::open(Path(".a.mid.77.tmp").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  EXPECT_EQ(Write(Path("a.mid")), Result{});
  ::close(held);
  EXPECT_EQ(Get("a.mid"), "new");
  EXPECT_THAT(Names(), ElementsAre(".a.mid.77.tmp", ".a.mid.xyz.tmp", ".b.mid.1F2E.tmp", "a.mid", "a.mid.1F2E.tmp"));
}

TEST_F(FileIoTest, ReadingTakesRegularFilesUpToTheLimitAndNeverWaits) {
  Put("ten", "0123456789");
  EXPECT_EQ(ReadRegularFile(Path("ten"), 10), (std::vector<uint8_t>{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}));
  EXPECT_FALSE(ReadRegularFile(Path("ten"), 9));
  EXPECT_TRUE(IsReadableRegularFile(Path("ten")));
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  fs::create_directory(dir_ / "folder");
  for (const std::string& other : {Path("pipe"), Path("folder"), std::string("/dev/null"), Path("missing")}) {
    EXPECT_FALSE(ReadRegularFile(other, 100)) << other;
    EXPECT_FALSE(IsReadableRegularFile(other)) << other;
  }
}

}  // namespace
}  // namespace stavelark
