// The registration tool as a user runs it: it refuses what the program would refuse, in the
// program's words, says in one line what it cannot do and why, and waits on nothing.
#include "platform/com/registration.h"
#include "platform/store/paths.h"
#include "platform/store/test_folders.h"
#include "platform/store/test_hostile.h"
#include "support/run_command.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using testing_support::CommandResult;
using testing_support::RunCommand;
using testing_support::TempFolder;

std::string Quoted(const std::string& s) { return store::ShellQuote(s); }

// A copy, in `folder` made with `mode`, of a shared library that is surely there (and serves no
// control classes).
std::string CopyOfLibrary(const std::filesystem::path& folder, int mode) {
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(com::LibraryPathOf(reinterpret_cast<const void*>(static_cast<double (*)(double)>(&::cos))),
                             folder / "libthing.so");
  ::chmod(folder.c_str(), static_cast<mode_t>(mode));
  return (folder / "libthing.so").string();
}

TEST(RegistrationTool, RefusesWhatTheProgramWouldAndWaitsOnNothing) {
  TempFolder folder;
  const auto config = folder.Path() / "config", registry = config / "Stavelark" / "registry.ini";
  // A named pipe as the library, and one as the registry of a second user: neither is waited on.
  const std::string pipe = (folder.Path() / "pipe.so").string();
  testing_support::PipeTrap pipeLibrary(pipe);
  const auto piped = folder.Path() / "piped", pipedRegistry = piped / "Stavelark" / "registry.ini";
  std::filesystem::create_directories(pipedRegistry.parent_path());
  testing_support::PipeTrap pipeRegistry(pipedRegistry);
  const auto open = folder.Path() / "open";
  const std::string exposed = CopyOfLibrary(open, 0777), safe = CopyOfLibrary(folder.Path() / "safe", 0755);
  const std::string missing = (folder.Path() / "nothing.so").string();
  const std::string notALibrary = (folder.Path() / "notes.so").string();
  std::ofstream(notALibrary) << "notes";
  const struct {
    const char* name;
    std::filesystem::path config;
    std::string arguments;
    int status;
    std::string said;  // how its output begins
  } cases[] = {
      {"its usage for --help", config, "--help", 0, "usage: stavelark-regsvr [-u] [--machine] LIBRARY\n"},
      {"an unknown option", config, "--bogus", 2, "stavelark-regsvr: unknown option --bogus\n"},
      {"no library", config, "", 2, "usage: stavelark-regsvr [-u] [--machine] LIBRARY\n"},
      // The machine layer belongs to an installation; a tool in a build folder has none to write.
      {"--machine of a tool in the build folder", config, "--machine " + Quoted(GLIDEBAR_LIBRARY), 1,
       "stavelark-regsvr: --machine works only for an installed tool"},
      {"a library that is missing", config, Quoted(missing), 1,
       "stavelark-regsvr: library " + missing + " is not loaded: it is missing\n"},
      {"a file that is no library", config, Quoted(notALibrary), 1,
       "stavelark-regsvr: cannot load " + notALibrary + ": "},
      {"a named pipe as the library", config, Quoted(pipe), 1,
       "stavelark-regsvr: library " + pipe + " is not loaded: it is not a file\n"},
      // The program's words (CreateObject's test has them).
      {"a library in a folder every user can write", config, Quoted(exposed), 1,
       "stavelark-regsvr: library " + exposed + " is not loaded: its folder " + open.string() +
           " can be written by every user. To fix it, run: chmod go-w " + open.string() + "\n"},
      {"a registry that cannot be read", piped, Quoted(safe), 1,
       "stavelark-regsvr: " + pipedRegistry.string() +
           " cannot be read: it is not a regular file; it is left as it is\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CommandResult run =
        RunCommand("XDG_CONFIG_HOME=" + Quoted(c.config.string()) + " " REGSVR_TOOL " " + c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.output.substr(0, c.said.size()), c.said);
    if (c.status != 0) {
      EXPECT_EQ(run.output.find("usage:") != std::string::npos, c.status == 2) << run.output;
    }
    if (c.status == 1) {
      EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << "one line: " << run.output;
    }
    EXPECT_FALSE(std::filesystem::exists(registry)) << "nothing was registered";
  }
  EXPECT_EQ(pipeLibrary.Caught(), 0) << "the tool waited on the library";
  EXPECT_EQ(pipeRegistry.Caught(), 0) << "the tool waited on the registry";
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
