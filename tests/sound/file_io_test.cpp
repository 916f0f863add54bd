#include "sound/file_io.h"

#include <gmock/gmock.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/basic/basic.h"

namespace stavelark {
namespace {

namespace fs = std::filesystem;

std::span<const uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/stavelark-io-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_ / "locked", fs::perms::owner_all, ec);
    fs::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Put(const std::string& name, const std::string& text) const { std::ofstream(Path(name)) << text; }
  std::string Get(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // The error number and description a write raises; {0, ""} when it succeeds.
  static std::pair<int, std::string> Failure(const std::string& path, std::string_view text = "new") {
    try {
      WriteFileAtomically(path, Bytes(text));
    } catch (const basic::RuntimeError& e) {
      return {e.number, e.description};
    }
    return {0, ""};
  }
  // Runs `body` as a user without the administrator's rights (in a child process when this
  // one has them) and returns its result.
  static int AsUser(const std::function<int()>& body) {
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

  fs::path dir_;
};

TEST_F(FileIoTest, ASaveThroughALinkWritesItsFinalTargetAndKeepsTheLink) {
  fs::create_directory(dir_ / "real");
  Put("real/song.msf", "old");
  ::chmod(Path("real/song.msf").c_str(), 0640);
  fs::create_symlink("real/song.msf", dir_ / "inner");  // relative to the link's folder
  fs::create_symlink(dir_ / "inner", dir_ / "outer");
  WriteFileAtomically(Path("outer"), Bytes("new"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "outer"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "inner"));
  EXPECT_EQ(Get("real/song.msf"), "new");
  EXPECT_EQ(fs::status(dir_ / "real/song.msf").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_THAT(Names(), ::testing::ElementsAre("inner", "outer", "real"));

  // A link to a file not made yet makes it; a loop of links is refused.
  fs::create_symlink("made.msf", dir_ / "dangling");
  WriteFileAtomically(Path("dangling"), Bytes("made"));
  EXPECT_EQ(Get("made.msf"), "made");
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling"));
  fs::create_symlink("loop2", dir_ / "loop1");
  fs::create_symlink("loop1", dir_ / "loop2");
  EXPECT_EQ(Failure(Path("loop1")), (std::pair<int, std::string>{75, "Too many levels of symbolic links"}));
}

TEST_F(FileIoTest, FailuresSayWhyInTheSystemsWords) {
  Put("plain", "keep");
  fs::create_directory(dir_ / "folder");
  using Result = std::pair<int, std::string>;
  EXPECT_EQ(Failure(Path("missing/a.mid")), (Result{76, "No such file or directory"}));
  EXPECT_EQ(Failure(Path("plain/a.mid")), (Result{76, "Not a directory"}));
  EXPECT_EQ(Failure(Path("folder")), (Result{75, "Is a directory"}));
  EXPECT_EQ(Failure(Path(std::string(300, 'n'))), (Result{52, "File name too long"}));
  EXPECT_EQ(Get("plain"), "keep");
}

TEST_F(FileIoTest, AFileInAFolderTheUserMayNotWriteIsSavedInPlace) {
  fs::create_directory(dir_ / "locked");
  Put("locked/song.msf", std::string(5000, 'o'));
  fs::permissions(dir_ / "locked/song.msf", fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec &
                                                ~fs::perms::others_exec);
  fs::permissions(dir_ / "locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                       fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  const std::string song = Path("locked/song.msf"), fresh = Path("locked/new.msf");
  EXPECT_EQ(AsUser([&] { return Failure(song, "shorter").first; }), 0);
  EXPECT_EQ(Get("locked/song.msf"), "shorter");
  EXPECT_EQ(AsUser([&] { return Failure(fresh).first; }), 70) << "a new file needs the folder";
  EXPECT_EQ(Names(), std::vector<std::string>{"locked"});
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "locked"), {}), 1) << "nothing else was made there";
}

TEST_F(FileIoTest, ASaveRemovesTheLeftoversOfItsOwnTargetThatNoWriteHolds) {
  Put("a.mid", "old");
  for (const char* name : {".a.mid.1F2E.tmp", ".a.mid.77.tmp", ".a.mid.xyz.tmp", ".b.mid.1F2E.tmp", "a.mid.1F2E.tmp"})
    Put(name, std::string(4000, 'x'));
  // A write still under way holds its file locked.
  const int held = ::open(Path(".a.mid.77.tmp").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  WriteFileAtomically(Path("a.mid"), Bytes("new"));
  ::close(held);
  EXPECT_EQ(Get("a.mid"), "new");
  EXPECT_THAT(Names(),
              ::testing::ElementsAre(".a.mid.77.tmp", ".a.mid.xyz.tmp", ".b.mid.1F2E.tmp", "a.mid", "a.mid.1F2E.tmp"));
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
