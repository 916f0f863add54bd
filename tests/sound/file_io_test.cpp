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

TEST_F(FileIoTest, AFileInAFolderTheUserMayNotWriteIsSavedInPlace) {
  fs::create_directory(dir_ / "locked");
  Put("locked/song.msf", std::string(5000, 'o'));
  ::chmod(Path("locked/song.msf").c_str(), 0666);
  ::chmod(Path("locked").c_str(), 0555);
  EXPECT_EQ(AsUser([&] { return Write(Path("locked/song.msf"), "shorter").first; }), 0);
  EXPECT_EQ(Get("locked/song.msf"), "shorter");
  EXPECT_EQ(AsUser([&] { return Write(Path("locked/new.msf")).first; }), 70) << "a new file needs the folder";
  EXPECT_THAT(Names(), ElementsAre("locked"));
  EXPECT_THAT(Names("locked"), ElementsAre("song.msf")) << "nothing else was made there";
  ::chmod(Path("locked").c_str(), 0700);  // so that the folder can go
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
