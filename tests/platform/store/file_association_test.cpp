#include "platform/store/file_association.h"

#include "platform/store/test_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <sstream>
#include <string>

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

TEST_F(FileAssociation, WritesTheMimeTypeAndDesktopEntryAndUpdatesTheCaches) {
  const std::filesystem::path log = home.Path() / "tools.log";
  FakeTool(home.Path() / "bin", "update-mime-database", log);
  FakeTool(home.Path() / "bin", "update-desktop-database", log);
  ScopedEnv path("PATH", (home.Path() / "bin").string());

  Status status = InstallFileAssociation("/opt/stavelark/stavelark");
  EXPECT_TRUE(status) << status.message;

  const std::string mime = ReadAll(home.Path() / "data" / "mime" / "packages" / "stavelark-msf.xml");
  EXPECT_NE(mime.find("<mime-type type=\"application/x-stavelark-msf\">"), std::string::npos) << mime;
  EXPECT_NE(mime.find("<comment>MIDI Source File</comment>"), std::string::npos);
  EXPECT_NE(mime.find("<glob pattern=\"*.msf\"/>"), std::string::npos);

  const std::string desktop = ReadAll(home.Path() / "data" / "applications" / "stavelark.desktop");
  EXPECT_EQ(desktop.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_NE(desktop.find("\nExec=/opt/stavelark/stavelark %f\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("\nMimeType=application/x-stavelark-msf;\n"), std::string::npos);

  EXPECT_EQ(ReadAll(log), "update-mime-database " + (home.Path() / "data" / "mime").string() + "\n" +
                              "update-desktop-database " + (home.Path() / "data" / "applications").string() + "\n");
}

TEST_F(FileAssociation, TheEntryAndTheTypeNameTheirIconsAndEverySizeIsWrittenForBothNames) {
  ScopedEnv empty("PATH", (home.Path() / "nothing-here").string());
  const std::filesystem::path share = home.Path() / "share";
  const DesktopIcons icons{{16, "png16"}, {256, std::string("png\0end", 7)}};
  ASSERT_TRUE(InstallFileAssociation("/opt/p/bin/stavelark", share, icons));
  EXPECT_NE(ReadAll(share / "applications" / "stavelark.desktop").find("\nIcon=stavelark\n"), std::string::npos);
  EXPECT_NE(ReadAll(share / "mime" / "packages" / "stavelark-msf.xml").find("<icon name=\"application-x-stavelark-msf\"/>"),
            std::string::npos);
  for (const auto& [size, png] : icons) {
    const std::filesystem::path folder = share / "icons" / "hicolor" / (std::to_string(size) + "x" + std::to_string(size));
    for (const auto& file : {folder / "apps" / "stavelark.png", folder / "mimetypes" / "application-x-stavelark-msf.png"}) {
      EXPECT_EQ(ReadAll(file), png) << file;
      EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0644)) << "others read it: " << file;
    }
  }
}

TEST_F(FileAssociation, InTheBackgroundTheCachesFollowWithoutBeingWaitedFor) {
  const std::filesystem::path log = home.Path() / "tools.log";
  FakeTool(home.Path() / "bin", "update-mime-database", log);
  FakeTool(home.Path() / "bin", "update-desktop-database", log);
  ScopedEnv path("PATH", (home.Path() / "bin").string() + ":/usr/bin:/bin");

  Status status = InstallFileAssociationInBackground("/opt/stavelark/stavelark", home.Path() / "data");
  EXPECT_TRUE(status) << status.message;
  EXPECT_TRUE(std::filesystem::exists(home.Path() / "data" / "applications" / "stavelark.desktop"));
  // The detached tools finish on their own.
  std::string expected = "update-mime-database " + (home.Path() / "data" / "mime").string() + "\n" +
                         "update-desktop-database " + (home.Path() / "data" / "applications").string() + "\n";
  for (int i = 0; i < 500 && ReadAll(log) != expected; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadAll(log), expected);
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
  EXPECT_EQ(DesktopExecLine("/x/100%/p"), "/x/100%%/p %f");
  EXPECT_EQ(DesktopExecLine("/x/new\nline"), "\"/x/new\\nline\" %f");
}

}  // namespace
