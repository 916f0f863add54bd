// What `cmake --install` put into the prefix, and the installed program run by a user who
// never registered anything (a fresh home).
#include "glidebar/identity.h"
#include "platform/com/client.h"
#include "platform/store/paths.h"
#include "platform/store/registry.h"
#include "platform/store/test_folders.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

using testing_support::ScopedEnv;
using testing_support::TempFolder;

namespace {

const std::filesystem::path kPrefix = STAVELARK_TEST_PREFIX;
const std::filesystem::path kProgramFolder = kPrefix / "lib" / "stavelark";

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Installed, TheFilesLieWhereTheProgramAndTheDesktopLookForThem) {
  // Beside the program lies what it finds beside itself in the build; the commands link there.
  for (const char* name : {"stavelark", "stavelark-regsvr", "libglidebar.so", "help.html", "about.html"})
    EXPECT_TRUE(std::filesystem::is_regular_file(kProgramFolder / name)) << name;
  for (const char* name : {"stavelark", "stavelark-regsvr"}) {
    EXPECT_TRUE(std::filesystem::is_symlink(kPrefix / "bin" / name)) << name;
    EXPECT_EQ(std::filesystem::canonical(kPrefix / "bin" / name), std::filesystem::canonical(kProgramFolder / name));
  }
  const store::TrustCheck trust = store::CheckTrusted(kProgramFolder / "libglidebar.so");
  EXPECT_TRUE(trust) << trust.problem;

  // The desktop entry starts the installed command; the icons are in share.
  const std::filesystem::path share = kPrefix / "share";
  const std::string entry = ReadAll(share / "applications" / "stavelark.desktop");
  EXPECT_NE(entry.find("\nExec=" + (kPrefix / "bin" / "stavelark").string() + " %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nIcon=stavelark\n"), std::string::npos) << entry;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::filesystem::path folder = share / "icons" / "hicolor" / (std::to_string(size) + "x" + std::to_string(size));
    EXPECT_EQ(ReadAll(folder / "apps" / "stavelark.png").find("PNG"), 1u) << size;
    EXPECT_EQ(ReadAll(folder / "mimetypes" / "application-x-stavelark-msf.png").find("PNG"), 1u) << size;
  }
}

TEST(Installed, AUserWhoNeverRegisteredGetsTheControlFromTheMachineLayer) {
  TempFolder home;
  const auto machine = store::Registry::MachineFileOf(kProgramFolder / "stavelark");
  ASSERT_TRUE(machine);
  store::Registry registry(home.Path() / "registry.ini", *machine);
  com::Object slider = com::CreateObject(registry, glidebar::kProgId);
  EXPECT_EQ(slider.GetProperty(glidebar::dispid::myvalue), "75");
  EXPECT_EQ(slider.Lib()->Path(), std::filesystem::canonical(kProgramFolder / "libglidebar.so").string());
  EXPECT_FALSE(std::filesystem::exists(home.Path() / "registry.ini")) << "reading writes nothing";
}

// Started as a fresh user would start it, until its first run has written the desktop files.
TEST(Installed, TheInstalledProgramStartsWithItsSliderForAFreshUser) {
  TempFolder home;
  const std::filesystem::path err = home.Path() / "stderr.txt", data = home.Path() / "data";
  const std::string program = (kPrefix / "bin" / "stavelark").string();
  const ScopedEnv env[] = {{"HOME", home.Path().string()}, {"XDG_CONFIG_HOME", (home.Path() / "config").string()},
                           {"XDG_DATA_HOME", data.string()}, {"XDG_RUNTIME_DIR", home.Path().string()},
                           {"QT_QPA_PLATFORM", "offscreen"}};
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  bool started = false;
  for (int i = 0; i < 600 && !started; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    started = std::filesystem::exists(data / "icons" / "hicolor" / "256x256" / "apps" / "stavelark.png");
    if (::waitpid(child, nullptr, WNOHANG) == child) break;  // ended early
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  const std::string output = ReadAll(err);
  ASSERT_TRUE(started) << output;
  EXPECT_EQ(output.find("master-volume slider"), std::string::npos) << output;
  const std::string entry = ReadAll(data / "applications" / "stavelark.desktop");
  const std::string exec = "\nExec=" + std::filesystem::canonical(kProgramFolder / "stavelark").string() + " %f\n";
  EXPECT_NE(entry.find(exec), std::string::npos) << entry;
  EXPECT_EQ(ReadAll(home.Path() / "config" / "Stavelark" / "registry.ini").find("GlidebarControl"), std::string::npos)
      << "the slider came from the machine's classes, not the user's";
}

}  // namespace
