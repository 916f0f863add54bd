#include "editor/temp_folder.h"

#include <gmock/gmock.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <fstream>

#include "editor/form1.h"
#include "sound/play_commands.h"
#include "sound/piano.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

namespace fs = std::filesystem;

// A process number nobody uses any more: a child that has ended and been reaped.
pid_t EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

// A child of this program's own name that has ended but is not reaped yet (a killed run whose
// parent has not looked); reaped when it goes.
class Zombie {
 public:
  Zombie() : pid_(::fork()) {
    if (pid_ == 0) ::_exit(0);
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT);  // ended, still listed
  }
  ~Zombie() { ::waitpid(pid_, nullptr, 0); }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_;
};

class TempFolderTest : public ProgramTest {
 protected:
  fs::path Base() const { return Root() / "base"; }
  fs::path Leave(pid_t pid, const std::string& random = "Ab12Cd") const {
    const fs::path folder = Base() / ("stavelark-" + std::to_string(pid) + "-" + random);
    fs::create_directories(folder);
    std::ofstream(folder / "note 3.mid") << "MThd";
    return folder;
  }
};

TEST_F(TempFolderTest, EachRunHasItsOwnPrivateFolderThatEndsWithIt) {
  fs::create_directories(Base());
  fs::path made;
  {
    stavelark::PrivateTempFolder folder(Base());
    made = folder.Path();
    ASSERT_FALSE(made.empty());
    EXPECT_TRUE(made.filename().string().starts_with("stavelark-" + std::to_string(::getpid()) + "-"));
    EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all);
    std::ofstream(made / "note 0.mid") << "MThd";
    EXPECT_EQ(stavelark::PrivateTempFolder::RemoveAbandoned(Base()), 0) << "a running run's folder stays";
  }
  EXPECT_FALSE(fs::exists(made));
  EXPECT_TRUE(stavelark::PrivateTempFolder(Root() / "no such base").Path().empty());
}

TEST_F(TempFolderTest, StartUpRemovesTheFoldersOfRunsThatAreGone) {
  const fs::path ended = Leave(EndedProcess());
  const Zombie killed;
  const fs::path unreaped = Leave(killed.Pid(), "Zombie");
  const fs::path reused = Leave(1);  // its number now belongs to another program
  const fs::path mine = Leave(::getpid(), "Zz99zz");
  const fs::path other = Base() / "stavelark-test-keep";
  fs::create_directories(other);
  // A run that ended while another still holds its folder locked keeps it.
  const fs::path held = Leave(EndedProcess(), "held00");
  const int lock = ::open(held.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);

  tempBase = Base();
  Start();
  ::close(lock);
  EXPECT_FALSE(fs::exists(ended));
  EXPECT_FALSE(fs::exists(unreaped));
  EXPECT_FALSE(fs::exists(reused));
  EXPECT_TRUE(fs::exists(mine));
  EXPECT_TRUE(fs::exists(other));
  EXPECT_TRUE(fs::exists(held));
  ASSERT_FALSE(P().TempFolder().empty());
  EXPECT_EQ(P().TempFolder().parent_path(), Base());
}

TEST_F(TempFolderTest, WithoutAPrivateFolderPlaysAndNotesFailAndWriteNothingElsewhere) {
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
  Sys().AnswerMsgBox(forms::mb::Ok, "There was an error loading the MIDI file.", "Couldn't load");
  Act([&] { P().PlayCommands().Play(); });
  G().RecordOn = false;
  Act([&] { P().PianoKeys().Piano_Click(3); });
  fs::current_path(before);
  EXPECT_THAT(recorder.Calls(), ::testing::Not(::testing::Contains(::testing::HasSubstr("LoadSegment"))));
  for (const auto& entry : fs::directory_iterator(Root()))
    EXPECT_FALSE(entry.path().extension() == ".mid" || entry.path().extension() == ".Mid") << entry.path();
}

}  // namespace
}  // namespace stavelark_test
