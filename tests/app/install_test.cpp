// What `cmake --install` put into the prefix, the installed program run by a user who never
// registered anything (a fresh home), and the uninstallation.
#include "glidebar/identity.h"
#include "platform/com/client.h"
#include "platform/store/paths.h"
#include "platform/store/registry.h"
#include "platform/store/test_folders.h"
#include "support/run_command.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <thread>

using testing_support::CommandResult;
using testing_support::RunCommand;
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

// Starts the installed program for the user whose home is `home` (config/, data/ below it) until
// `done` holds or it ends (at most a minute); then ends it. Returns whether `done` held, and
// what it wrote on standard error.
bool StartUntil(const std::filesystem::path& home, const std::function<bool()>& done, std::string* output) {
  const std::filesystem::path err = home / "stderr.txt";
  const std::string program = (kPrefix / "bin" / "stavelark").string();
  const ScopedEnv env[] = {{"HOME", home.string()}, {"XDG_CONFIG_HOME", (home / "config").string()},
                           {"XDG_DATA_HOME", (home / "data").string()}, {"XDG_RUNTIME_DIR", home.string()},
                           {"QT_QPA_PLATFORM", "offscreen"}};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  bool held = false;
  for (int i = 0; i < 600 && !held && child > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    held = done();
    if (::waitpid(child, nullptr, WNOHANG) == child) break;  // ended early
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  if (child > 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
  }
  *output = ReadAll(err);
  return held;
}

// Started as a fresh user would start it, and by a user who first ran a copy that is gone since
// (the build folder, removed after installing): the start writes the desktop files for the
// installed program, and the slider comes from the machine's classes.
TEST(Installed, TheInstalledProgramStartsWithItsSliderAndProjectFilesOpenWithIt) {
  for (const bool gone : {false, true}) {
    SCOPED_TRACE(gone ? "a desktop entry of a program that is gone" : "a fresh user");
    TempFolder home;
    const std::filesystem::path data = home.Path() / "data", entry = data / "applications" / "stavelark.desktop";
    if (gone) {
      std::filesystem::create_directories(entry.parent_path());
      std::filesystem::create_directories(home.Path() / "config" / "Stavelark");
      std::ofstream(home.Path() / "config" / "Stavelark" / "Stavelark.ini") << "[Properties]\nRegLoaded=True\n";
      std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=Stavelark\n"
                              "Exec=/gone/build/src/app/stavelark %f\n";
    }
    const std::string exec = "\nExec=" + std::filesystem::canonical(kProgramFolder / "stavelark").string() + " %f\n";
    const auto written = [&] {
      return std::filesystem::exists(data / "icons" / "hicolor" / "256x256" / "apps" / "stavelark.png") &&
             ReadAll(entry).find(exec) != std::string::npos;
    };
    std::string output;
    ASSERT_TRUE(StartUntil(home.Path(), written, &output)) << ReadAll(entry) << output;
    EXPECT_EQ(output.find("master-volume slider"), std::string::npos) << output;
    EXPECT_EQ(ReadAll(home.Path() / "config" / "Stavelark" / "registry.ini").find("GlidebarControl"), std::string::npos)
        << "the slider came from the machine's classes, not the user's";
  }
}

TEST(Installed, WithoutADisplayTheProgramSaysHowToRunItAndFails) {
  TempFolder home;
  const CommandResult run = RunCommand("cd " + store::ShellQuote((kPrefix / "bin").string()) +
                                       " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME=" +
                                       store::ShellQuote(home.Path().string()) + " ./stavelark");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << "one line: " << run.output;
  EXPECT_NE(run.output.find("no display was found"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("xvfb-run -a -s \"-screen 0 1280x1024x24\" ./stavelark"), std::string::npos) << run.output;
}

// Every path below `folder` (and `folder` itself) with its type, mode and contents (the size of
// a large file).
std::map<std::string, std::string> Listing(const std::filesystem::path& folder) {
  std::map<std::string, std::string> listing;
  const auto describe = [](const std::filesystem::path& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    const std::string mode = std::to_string(st.st_mode & 07777);
    if (S_ISLNK(st.st_mode)) return "link to " + std::filesystem::read_symlink(path).string();
    if (S_ISDIR(st.st_mode)) return "folder " + mode;
    return "file " + mode + ": " + (st.st_size < 65536 ? ReadAll(path) : std::to_string(st.st_size) + " bytes");
  };
  listing["."] = describe(folder);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    listing[std::filesystem::relative(entry.path(), folder).string()] = describe(entry.path());
  return listing;
}

// Installed under the umasks administrators use, into a new prefix (made with the folder above
// it) and into one other programs use (their files, MIME type, desktop entry and icon cache):
// every path the installation makes or changes is for every user to read and only its owner to
// change; the uninstaller then leaves the prefix as it was, caches included.
TEST(Installation, EveryPathIsForEveryUserAndUninstallLeavesThePrefixAsItWas) {
  const auto run = [](const std::string& command) { EXPECT_EQ(std::system(command.c_str()), 0) << command; };
  for (const auto& [umask, used] : {std::pair{"000", false}, {"077", true}, {"022", true}}) {
    SCOPED_TRACE(std::string("umask ") + umask + (used ? ", a prefix other programs use" : ", a new prefix"));
    TempFolder top;
    const std::filesystem::path prefix = top.Path() / "new" / "prefix", share = prefix / "share";
    if (used) {
      for (const char* folder : {"bin", "share/applications", "share/mime/packages", "share/icons/hicolor/48x48/apps"})
        std::filesystem::create_directories(prefix / folder);
      std::ofstream(prefix / "bin" / "other") << "#!/bin/sh\n";
      std::ofstream(share / "applications" / "other.desktop")
          << "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %f\nMimeType=text/x-other;\n";
      std::ofstream(share / "mime" / "packages" / "other.xml")
          << "<?xml version=\"1.0\"?>\n<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">"
             "<mime-type type=\"text/x-other\"><glob pattern=\"*.oth\"/></mime-type></mime-info>\n";
      std::ofstream(share / "icons" / "hicolor" / "48x48" / "apps" / "other.png") << "png";
      const std::string quoted = store::ShellQuote(share.string());
      run("update-mime-database " + quoted + "/mime >/dev/null 2>&1");
      run("update-desktop-database " + quoted + "/applications");
      run("gtk-update-icon-cache -q -t -f " + quoted + "/icons/hicolor");
    }
    const auto before = Listing(top.Path());
    const std::string install = std::string("umask ") + umask + " && " + STAVELARK_CMAKE + " --install " +
                                store::ShellQuote(STAVELARK_BUILD_FOLDER) + " --prefix " +
                                store::ShellQuote(prefix.string()) + " >/dev/null";
    ASSERT_EQ(std::system(install.c_str()), 0) << install;
    for (const auto& [path, description] : Listing(top.Path())) {
      if (before.count(path) && before.at(path) == description && !path.ends_with("cache")) continue;
      const std::string name = std::filesystem::path(path).filename().string();
      const bool program = path.find("/lib/stavelark/") != std::string::npos &&
                           (name == "stavelark" || name == "stavelark-regsvr" || name == "libglidebar.so" ||
                            name == "uninstall");
      const std::string expected = description.starts_with("link") ? description.substr(0, 4)
                                   : description.starts_with("folder") ? "folder 493"  // 0755
                                   : program                           ? "file 493"
                                                                       : "file 420";  // 0644
      EXPECT_EQ(description.substr(0, expected.size()), expected) << path;
    }
    if (used) {
      EXPECT_NE(ReadAll(share / "mime" / "globs2").find("*.msf"), std::string::npos);
      EXPECT_NE(ReadAll(share / "applications" / "mimeinfo.cache").find("stavelark"), std::string::npos);
    }
    run(store::ShellQuote((prefix / "lib" / "stavelark" / "uninstall").string()) + " >/dev/null");
    const auto after = Listing(top.Path());
    for (const auto& [path, description] : before) {
      const auto it = after.find(path);
      EXPECT_TRUE(it != after.end() && it->second == description) << "changed or gone: " << path;
    }
    for (const auto& [path, description] : after) EXPECT_TRUE(before.count(path)) << "left behind: " << path;
  }
}

}  // namespace
