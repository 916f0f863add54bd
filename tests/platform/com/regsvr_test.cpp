// The registration tool as a user runs it: it refuses what the program would refuse, in the
// program's words, says what it cannot do and why, and waits on nothing.
#include "platform/com/registration.h"
#include "platform/store/paths.h"
#include "platform/store/test_folders.h"
#include "support/run_command.h"
#include "platform/store/test_hostile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

using testing_support::TempFolder;

namespace {

using testing_support::CommandResult;
using testing_support::RunCommand;

std::string Quoted(const std::string& s) { return store::ShellQuote(s); }

// A shared library that is surely there (and serves no control classes).
std::string MathLibrary() {
  return com::LibraryPathOf(reinterpret_cast<const void*>(static_cast<double (*)(double)>(&::cos)));
}

TEST(RegistrationTool, RefusesWhatTheProgramWouldAndWaitsOnNothing) {
  using Made = std::pair<std::string, std::string>;
  struct Case {
    const char* name;
    // Prepares `folder` and returns the tool's arguments and the line(s) it must print.
    std::function<Made(const std::filesystem::path& folder)> make;
    int status;
  };
  std::unique_ptr<testing_support::PipeTrap> trap;
  // A copy of a real library in a folder with the given mode.
  auto library = [](const std::filesystem::path& folder, int mode) {
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(MathLibrary(), folder / "libthing.so");
    ::chmod(folder.c_str(), static_cast<mode_t>(mode));
    return folder / "libthing.so";
  };
  const Case cases[] = {
      {"its usage for --help",
       [](const auto&) { return Made{"--help", "usage: stavelark-regsvr [-u] [--machine] LIBRARY\n"}; },
       0},
      {"an unknown option",
       [](const auto&) { return Made{"--bogus", "stavelark-regsvr: unknown option --bogus\n"}; },
       2},
      {"a named pipe as the library",
       [&](const auto& folder) {
         trap = std::make_unique<testing_support::PipeTrap>(folder / "pipe.so");
         const std::string pipe = (folder / "pipe.so").string();
         return Made{Quoted(pipe), "stavelark-regsvr: library " + pipe + " is not loaded: it is not a file\n"};
       },
       1},
      {"a library in a folder every user can write",
       [&](const auto& folder) {
         // The program's words (CreateObject's test has them).
         const auto lib = library(folder / "open", 0777);
         const std::string open = (folder / "open").string();
         return Made{Quoted(lib.string()), "stavelark-regsvr: library " + lib.string() + " is not loaded: its folder " +
                                               open + " can be written by every user. To fix it, run: chmod go-w " +
                                               open + "\n"};
       },
       1},
      {"a registry that cannot be read",
       [&](const auto& folder) {
         const auto lib = library(folder / "safe", 0755);
         std::filesystem::create_directories(folder / "config" / "Stavelark");
         const auto file = folder / "config" / "Stavelark" / "registry.ini";
         trap = std::make_unique<testing_support::PipeTrap>(file);
         return Made{Quoted(lib.string()), "stavelark-regsvr: " + file.string() +
                                               " cannot be read: it is not a regular file; it is left as it is\n"};
       },
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    trap.reset();
    const auto [arguments, said] = c.make(folder.Path());
    const CommandResult run =
        RunCommand("XDG_CONFIG_HOME=" + Quoted((folder.Path() / "config").string()) + " " REGSVR_TOOL " " + arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.output.substr(0, said.size()), said);
    if (c.status != 0) {
      EXPECT_EQ(run.output.find("usage:") != std::string::npos, c.status == 2) << run.output;
    }
    if (trap) {
      EXPECT_EQ(trap->Caught(), 0) << "the tool waited on the pipe";
    } else {
      EXPECT_FALSE(std::filesystem::exists(folder.Path() / "config" / "Stavelark" / "registry.ini"))
          << "nothing was registered";
    }
    trap.reset();
  }
}

// The installation registers the control for every user; a user's -u cannot remove that and
// says so instead of "succeeded".
TEST(RegistrationTool, AUserIsToldWhatTheyCannotUnregisterAndWhy) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user needs root";
  TempFolder prefix;
  ::chmod(prefix.Path().c_str(), 0755);
  const auto folder = prefix.Path() / "lib" / "stavelark";
  std::filesystem::create_directories(folder);
  const auto tool = folder / "stavelark-regsvr", library = folder / "libglidebar.so";
  std::filesystem::copy_file(REGSVR_TOOL, tool);
  std::filesystem::copy_file(GLIDEBAR_LIBRARY, library);
  for (const auto& place : {prefix.Path() / "lib", folder, library}) ::chmod(place.c_str(), 0755);
  const std::string noLeaks = "ASAN_OPTIONS=detect_leaks=0 ";  // as another user it cannot run
  ASSERT_EQ(RunCommand(noLeaks + Quoted(tool.string()) + " --machine " + Quoted(library.string())).status, 0);
  const auto machineFile = prefix.Path() / "etc" / "stavelark" / "registry.ini";
  auto text = [&] {
    std::ifstream in(machineFile);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string registered = text();
  ASSERT_NE(registered.find("GlidebarControl.Glidebar"), std::string::npos);

  const auto home = prefix.Path() / "home";
  std::filesystem::create_directories(home);
  ASSERT_EQ(::chown(home.c_str(), testing_support::kOtherUid, testing_support::kOtherUid), 0);
  const CommandResult expected{1, "stavelark-regsvr: cannot unregister GlidebarControl.Glidebar: registered for "
                                  "every user in " + machineFile.string() +
                                  ", which only root can change; as root, run: stavelark-regsvr -u --machine " +
                                  library.string() + "\n"};
  EXPECT_EQ(testing_support::RunAsUser(testing_support::kOtherUid, [&] {
              const CommandResult run = RunCommand("HOME=" + Quoted(home.string()) + " XDG_CONFIG_HOME= " + noLeaks +
                                                   Quoted(tool.string()) + " -u " + Quoted(library.string()));
              if (run.status == expected.status && run.output == expected.output) return std::string();
              return "status " + std::to_string(run.status) + ": " + run.output;
            }),
            "");
  EXPECT_EQ(text(), registered) << "the machine's registration stays";
}

}  // namespace
