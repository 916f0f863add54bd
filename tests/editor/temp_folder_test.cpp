#include "editor/temp_folder.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "sound/piano.h"
#include "sound/play_commands.h"
#include "platform/store/test_folders.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

namespace fs = std::filesystem;

constexpr char kNoFolder[] = "Nothing can be played: the folder for temporary MIDI files could not be made in ";

// A child of this program that has ended. Reaped, its number is free for anyone; not reaped
// (a killed run whose parent has not looked) it stays listed until it goes.
struct EndedChild {
  explicit EndedChild(bool reap) : pid(::fork()), reaped(reap) {
    if (pid == 0) ::_exit(0);
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | (reaped ? 0 : WNOWAIT));
  }
  ~EndedChild() {
    if (!reaped) ::waitpid(pid, nullptr, 0);
  }
  const pid_t pid;
  const bool reaped;
};

class TempFolderTest : public ProgramTest {
 protected:
  fs::path Base() const { return Root() / "base"; }
  // A folder a run left under the base, with a note file in it.
  fs::path Leave(pid_t pid, const std::string& random = "Ab12Cd") const {
    const fs::path folder = Base() / ("stavelark-" + std::to_string(pid) + "-" + random);
    fs::create_directories(folder);
    std::ofstream(folder / "note 3.mid") << "MThd";
    return folder;
  }
};

TEST_F(TempFolderTest, EachRunHasItsOwnPrivateFolderUnderTheFirstBaseWhereItCanBeMadeThatEndsWithIt) {
  fs::create_directories(Base());
  const fs::path missing = Root() / "no such base", file = Root() / "a file";
  std::ofstream(file) << "x";
  fs::path made;
  {
    const testing_support::ScopedEnv tmp("TMPDIR", missing.string()), runtime("XDG_RUNTIME_DIR", Base().string());
    ASSERT_EQ(stavelark::PrivateTempFolder::Bases(), (std::vector<fs::path>{missing, Base(), "/tmp"}));
    const stavelark::PrivateTempFolder folder(stavelark::PrivateTempFolder::Bases());
    made = folder.Path();
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(made.parent_path(), Base());
    EXPECT_EQ(folder.Problem(), "");
    EXPECT_TRUE(made.filename().string().starts_with("stavelark-" + std::to_string(::getpid()) + "-"));
    EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all);
    std::ofstream(made / "note 0.mid") << "MThd";
    EXPECT_EQ(stavelark::PrivateTempFolder::RemoveAbandoned(Base()), 0) << "a running run's folder stays";
  }
  EXPECT_FALSE(fs::exists(made));
  {
    const testing_support::ScopedEnv tmp("TMPDIR", "/tmp"), runtime("XDG_RUNTIME_DIR", "");
    EXPECT_EQ(stavelark::PrivateTempFolder::Bases(), std::vector<fs::path>{"/tmp"});
  }
  const stavelark::PrivateTempFolder none({missing, file});
  EXPECT_TRUE(none.Path().empty());
  EXPECT_EQ(none.Problem(), kNoFolder + missing.string() + " (No such file or directory) or " + file.string() +
                                " (Not a directory).");
}

TEST_F(TempFolderTest, StartUpRemovesTheFoldersOfRunsThatAreGone) {
  const EndedChild ended(true), unreaped(false), held(true);
  fs::create_directories(Base() / "stavelark-test-keep");
  const std::vector<std::pair<fs::path, bool>> kept = {
      {Leave(ended.pid), false},
      {Leave(unreaped.pid, "Zombie"), false},
      {Leave(1), false},  // its number now belongs to another program
      {Leave(::getpid(), "Zz99zz"), true},
      {Base() / "stavelark-test-keep", true},
      {Leave(held.pid, "held00"), true},  // its run ended, but something still holds it locked
  };
  const int lock = ::open(kept.back().first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  tempBase = Base();
  Start();
  ::close(lock);
  for (const auto& [folder, stays] : kept) EXPECT_EQ(fs::exists(folder), stays) << folder;
  ASSERT_FALSE(P().TempFolder().empty());
  EXPECT_EQ(P().TempFolder().parent_path(), Base());
}

TEST_F(TempFolderTest, WithoutAPrivateFolderTheFirstPlaySaysWhyAndNothingIsWrittenElsewhere) {
  tempBase = Root() / "no such base";
  Start();
  ASSERT_TRUE(P().TempFolder().empty());
  const fs::path before = fs::current_path();
  fs::current_path(Root());
  G().NotePitch[0][0] = 5;
  G().NoteDuration[0][0] = 3;
  G().NoteVol[0][0] = 100;
  G().NoteCount[0] = 1;
  recorder.ClearCalls();
  Sys().AnswerMsgBox(forms::mb::Ok, kNoFolder + tempBase.string() + " (No such file or directory).", "Stavelark");
  for (int play = 0; play < 2; ++play) {
    Sys().AnswerMsgBox(forms::mb::Ok, "There was an error loading the MIDI file.", "Couldn't load");
    Act([&] { P().PlayCommands().Play(); });
  }
  G().RecordOn = false;
  Act([&] { P().PianoKeys().Piano_Click(3); });
  fs::current_path(before);
  EXPECT_THAT(recorder.Calls(), ::testing::Not(::testing::Contains(::testing::HasSubstr("LoadSegment"))));
  for (const auto& entry : fs::directory_iterator(Root()))
    EXPECT_FALSE(entry.path().extension() == ".mid" || entry.path().extension() == ".Mid") << entry.path();
}

}  // namespace
}  // namespace stavelark_test
