#include "platform/store/file_association.h"

#include "platform/store/test_folders.h"

#include "platform/store/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <sstream>
#include <string>
#include <utility>

using namespace store;
using testing_support::ScopedEnv;
using testing_support::TempFolder;

namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A stand-in for a desktop tool that records its arguments in <log>.
void FakeTool(const std::filesystem::path& folder, const std::string& name, const std::filesystem::path& log,
              int exitCode = 0) {
  std::filesystem::create_directories(folder);
  std::ofstream(folder / name) << "#!/bin/sh\necho \"" << name << " $*\" >> '" << log.string() << "'\nexit "
                               << exitCode << "\n";
  ::chmod((folder / name).c_str(), 0755);
}

class FileAssociation : public ::testing::Test {
 protected:
  TempFolder home;
  ScopedEnv data{"XDG_DATA_HOME", (home.Path() / "data").string()};
};

// In the user's data folder (no icons) and in a folder given with icons: the entry and the type
// name their icons, every size is written for both names, and the caches are brought up to date.
TEST_F(FileAssociation, WritesTheMimeTypeDesktopEntryAndIconsAndUpdatesTheCaches) {
  const std::filesystem::path log = home.Path() / "tools.log";
  FakeTool(home.Path() / "bin", "update-mime-database", log);
  FakeTool(home.Path() / "bin", "update-desktop-database", log);
  ScopedEnv path("PATH", (home.Path() / "bin").string());
  const DesktopIcons icons{{16, "png16"}, {256, std::string("png\0end", 7)}};
  for (const bool given : {false, true}) {
    SCOPED_TRACE(given ? "a folder given, with icons" : "the user's data folder");
    const std::filesystem::path share = home.Path() / (given ? "share" : "data");
    std::filesystem::remove(log);
    const std::string program = "/opt/stavelark/stavelark";
    const Status status = given ? InstallFileAssociation(program, share, icons) : InstallFileAssociation(program);
    EXPECT_TRUE(status) << status.message;
    const std::string mime = ReadAll(share / "mime" / "packages" / "stavelark-msf.xml");
    for (const char* part : {"<mime-type type=\"application/x-stavelark-msf\">", "<comment>MIDI Source File</comment>",
                             "<glob pattern=\"*.msf\"/>", "<icon name=\"application-x-stavelark-msf\"/>"})
      EXPECT_NE(mime.find(part), std::string::npos) << part << " in " << mime;
    const std::string desktop = ReadAll(share / "applications" / "stavelark.desktop");
    EXPECT_EQ(desktop.rfind("[Desktop Entry]\n", 0), 0u);
    for (const std::string& part : {"\nExec=" + program + " %f\n", std::string("\nMimeType=application/x-stavelark-msf;\n"),
                                    std::string("\nIcon=stavelark\n")})
      EXPECT_NE(desktop.find(part), std::string::npos) << part << " in " << desktop;
    EXPECT_EQ(ReadAll(log), "update-mime-database " + (share / "mime").string() + "\n" + "update-desktop-database " +
                                (share / "applications").string() + "\n");
    for (const auto& [size, png] : icons) {
      const std::filesystem::path folder = share / "icons" / "hicolor" / (std::to_string(size) + "x" + std::to_string(size));
      for (const auto& file : {folder / "apps" / "stavelark.png", folder / "mimetypes" / "application-x-stavelark-msf.png"}) {
        EXPECT_EQ(std::filesystem::exists(file), given) << file;
        if (!given) continue;
        EXPECT_EQ(ReadAll(file), png) << file;
        EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0644)) << "others read it: " << file;
      }
    }
  }
}

TEST_F(FileAssociation, MissingToolsAreSkippedAndFailingOnesReported) {
  ScopedEnv empty("PATH", (home.Path() / "nothing-here").string());
  EXPECT_TRUE(InstallFileAssociation("/usr/bin/stavelark"));

  FakeTool(home.Path() / "bin", "update-mime-database", home.Path() / "log", 3);
  ScopedEnv failing("PATH", (home.Path() / "bin").string());
  Status status = InstallFileAssociation("/usr/bin/stavelark");
  EXPECT_FALSE(status);
  EXPECT_NE(status.message.find("update-mime-database"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(home.Path() / "data" / "applications" / "stavelark.desktop"));
}

TEST_F(FileAssociation, AnUnwritableDataFolderIsReportedNotThrown) {
  std::ofstream(home.Path() / "file") << "x";
  Status status = InstallFileAssociation("/usr/bin/stavelark", home.Path() / "file" / "share");
  EXPECT_FALSE(status);
  EXPECT_NE(status.message.find("Cannot"), std::string::npos) << status.message;
}

TEST(DesktopExecLine, QuotesAndEscapesPathsWithReservedCharacters) {
  EXPECT_EQ(DesktopExecLine("/usr/bin/stavelark"), "/usr/bin/stavelark %f");
  EXPECT_EQ(DesktopExecLine("/home/a b/stavelark"), "\"/home/a b/stavelark\" %f");
  // Inside quotes: \" \` \$ \\ ; then every backslash doubled by the value escaping.
  EXPECT_EQ(DesktopExecLine("/x/\"$`\\/p"), "\"/x/\\\\\"\\\\$\\\\`\\\\\\\\/p\" %f");
  EXPECT_EQ(DesktopExecLine("/x/new\nline"), "\"/x/new\\nline\" %f");
}

// Waits up to `seconds` for `done`.
template <typename Condition>
bool WaitFor(Condition done, int seconds) {
  for (int i = 0; i < seconds * 100 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

// The caches follow without being waited for; a tool that hangs is stopped after five seconds
// and the next one still runs.
TEST_F(FileAssociation, InTheBackgroundTheCachesFollowAndAToolThatHangsIsStoppedAfterFiveSeconds) {
  const std::filesystem::path bin = home.Path() / "bin", log = home.Path() / "tools.log", pid = home.Path() / "pid";
  const std::string mimeLine = "update-mime-database " + (home.Path() / "data" / "mime").string() + "\n";
  const std::string desktopLine = "update-desktop-database " + (home.Path() / "data" / "applications").string() + "\n";
  ScopedEnv path("PATH", bin.string() + ":/usr/bin:/bin");
  FakeTool(bin, "update-mime-database", log);
  FakeTool(bin, "update-desktop-database", log);
  for (const bool hangs : {false, true}) {
    SCOPED_TRACE(hangs ? "update-mime-database hangs" : "the tools finish");
    std::filesystem::remove(log);
    if (hangs)
      std::ofstream(bin / "update-mime-database") << "#!/bin/sh\necho $$ > '" << pid.string() << "'\nexec sleep 60\n";
    const auto start = std::chrono::steady_clock::now();
    Status status = InstallFileAssociationInBackground("/opt/stavelark/stavelark", home.Path() / "data");
    EXPECT_TRUE(status) << status.message;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "not waited for";
    EXPECT_TRUE(std::filesystem::exists(home.Path() / "data" / "applications" / "stavelark.desktop"));
    const std::string expected = (hangs ? "" : mimeLine) + desktopLine;
    ASSERT_TRUE(WaitFor([&] { return ReadAll(log) == expected; }, hangs ? 10 : 5)) << "the tools ran: " << ReadAll(log);
    if (!hangs) continue;
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    const std::string id = ReadAll(pid);
    const std::string state = ReadAll("/proc/" + id.substr(0, id.find('\n')) + "/stat");
    EXPECT_TRUE(state.empty() || state.find(") Z ") != std::string::npos) << "still running: " << state;
  }
}

// The desktop entry as GLib's launcher reads it: `gio launch` starts the program the entry names
// with a project file, whatever characters the program's path holds.
TEST_F(FileAssociation, GLibsLauncherStartsTheProgramWithTheFileWhateverItsPath) {
  ASSERT_EQ(std::system("command -v gio >/dev/null"), 0) << "gio (libglib2.0-bin) is needed";
  const std::filesystem::path log = home.Path() / "started.log", song = home.Path() / "my 100% song.msf";
  std::ofstream(song) << "x";
  const std::pair<const char*, const char*> cases[] = {  // the program's folder and name
      {"plain", "stavelark"}, {"with blanks", "stavelark"}, {"100% prefix", "stavelark"},
      {"100%% and %f", "stave%lark"}, {"q\"$`\\'x", "stavelark"}, {"caf\xC3\xA9", "stavelark"},
      {"not utf-8 \xE9", "stavelark"}, {"new\nline", "ends in a newline\n"},
  };
  for (const auto& [folder, name] : cases) {
    SCOPED_TRACE(folder);
    const std::filesystem::path program = home.Path() / folder / name, share = home.Path() / "share";
    std::filesystem::create_directories(program.parent_path());
    std::ofstream(program) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << log.string() << "'\n";
    ::chmod(program.c_str(), 0755);
    std::filesystem::remove(log);
    {
      ScopedEnv noTools("PATH", (home.Path() / "nothing-here").string());
      ASSERT_TRUE(InstallFileAssociation(program, share));
    }
    const std::string entry = (share / "applications" / "stavelark.desktop").string();
    EXPECT_EQ(std::system(("gio launch " + ShellQuote(entry) + " " + ShellQuote(song.string())).c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return ReadAll(log) == song.string() + "\n"; }, 5)) << ReadAll(log);
  }
}

// At each start: an entry of the user's that starts a program which is gone is written anew for
// the program starting; anything else stays as it is.
TEST_F(FileAssociation, AnEntryWhoseProgramIsGoneIsWrittenForTheProgramStarting) {
  ScopedEnv noTools("PATH", (home.Path() / "nothing-here").string());
  const std::filesystem::path data = home.Path() / "data", entry = data / "applications" / "stavelark.desktop";
  const std::filesystem::path self = home.Path() / "stavelark";
  std::ofstream(self) << "";
  const auto ours = [](const std::filesystem::path& program) {
    TempFolder other;
    EXPECT_TRUE(InstallFileAssociation(program, other.Path()));
    return ReadAll(other.Path() / "applications" / "stavelark.desktop");
  };
  // The entry there before ("" for none), and whether the start writes it anew.
  const struct { const char* name; std::string before; bool renewed; } cases[] = {
      {"none", "", false},
      {"ours, program gone", ours("/gone/100% build/src/app/stavelark"), true},
      {"ours, program there", ours("/bin/sh"), false},
      {"from before the record, program gone", "[Desktop Entry]\nExec=/gone/stavelark %f\n", true},
      {"someone else's", "[Desktop Entry]\nExec=\"/gone/my player\" --open %f\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(data);
    if (!c.before.empty()) {
      std::filesystem::create_directories(entry.parent_path());
      std::ofstream(entry) << c.before;
    }
    EXPECT_TRUE(RenewStaleFileAssociation(self, data, {{16, "png"}}));
    EXPECT_EQ(ReadAll(entry), c.renewed ? ours(self) : c.before);
    EXPECT_EQ(std::filesystem::exists(data / "icons" / "hicolor" / "16x16" / "apps" / "stavelark.png"), c.renewed);
  }
  // A pipe in the entry's place is not waited on.
  std::filesystem::remove(entry);
  ASSERT_EQ(::mkfifo(entry.c_str(), 0600), 0);
  EXPECT_TRUE(RenewStaleFileAssociation(self, data));
}

}  // namespace
