#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>
#include <sstream>
#include <string>
#include <vector>

#include "platform/music/synth_engine.h"
#include "project/help_about.h"
#include "support/program_fixture.h"

namespace stavelark_test {
namespace {

using ::testing::EndsWith;

class HelpTest : public ProgramTest {
 protected:
  void SetUp() override { Start(); }
  stavelark::HelpAbout& Window() { return P().HelpAbout(); }
  void Choose(forms::Menu& item) { EXPECT_TRUE(Sys().ChooseMenu(item)) << Sys().LastRefusal(); }
};

TEST_F(HelpTest, AboutThenHelpThenBackShowsAboutAgain) {
  Choose(F().About);
  ASSERT_TRUE(Window().Visible());
  EXPECT_EQ(Window().Caption(), " Stavelark Help");
  EXPECT_EQ(Window().WebBrowser1.LocationURL(), Root().string() + "/about.html");
  Choose(F().Help);
  EXPECT_EQ(Window().WebBrowser1.LocationURL(), Root().string() + "/help.html");
  EXPECT_TRUE(Sys().Click(Window().Picture1)) << Sys().LastRefusal();
  EXPECT_THAT(Window().WebBrowser1.LocationURL(), EndsWith("/about.html"));
  // Back on the first page does nothing, and says nothing.
  EXPECT_TRUE(Sys().Click(Window().Picture1));
  EXPECT_THAT(Window().WebBrowser1.LocationURL(), EndsWith("/about.html"));
}

TEST_F(HelpTest, APressOnTheStripHidesAndTheHistoryStays) {
  Choose(F().Help);
  EXPECT_TRUE(Sys().MouseDown(Window(), 1, 0, 6000, 300)) << Sys().LastRefusal();
  EXPECT_FALSE(Window().Visible());
  Choose(F().About);
  EXPECT_TRUE(Sys().Click(Window().Picture1));
  EXPECT_THAT(Window().WebBrowser1.LocationURL(), EndsWith("/help.html"));
}

TEST_F(HelpTest, ClosingByTheFrameStartsTheNextWindowWithoutHistory) {
  Choose(F().Help);
  EXPECT_TRUE(Sys().CloseBox(Window()));
  Choose(F().About);
  EXPECT_EQ(Window().WebBrowser1.History().size(), 1u);
}

TEST_F(HelpTest, ResizeFitsTheBrowserBelowTheStripButNeverNegative) {
  Choose(F().Help);
  stavelark::HelpAbout& w = Window();
  w.Width = 6000 + 2 * w.FrameLeft();
  w.Height = 4000 + w.FrameTop();
  Act([&] { w.Form_Resize(); });
  EXPECT_EQ(w.WebBrowser1.Left(), 0);
  EXPECT_EQ(w.WebBrowser1.Top(), 600);
  EXPECT_EQ(w.WebBrowser1.Width(), 5900);
  EXPECT_EQ(w.WebBrowser1.Height(), 3400);
  w.Height = 300 + w.FrameTop();
  w.Width = 3000 + 2 * w.FrameLeft();
  Act([&] { w.Form_Resize(); });
  EXPECT_EQ(w.WebBrowser1.Height(), 3400) << "the height keeps its last value";
  EXPECT_EQ(w.WebBrowser1.Width(), 2900);
}

// The help window is no file viewer: its links reach the help pages beside the program only.
TEST_F(HelpTest, LinksAreFollowedOnlyToTheHelpPagesInTheProgramsFolder) {
  std::filesystem::create_directories(Root() / "sub");
  for (const char* page : {"help.html", "about.html", "sub/page.html", "notes.txt"}) std::ofstream(Root() / page) << "<p>";
  std::filesystem::create_symlink("/etc/hostname", Root() / "hostname.html");
  const std::string about = Root().string() + "/about.html", help = Root().string() + "/help.html";
  const std::pair<std::string, bool> links[] = {
      {"about.html", true}, {about, true}, {"../" + Root().filename().string() + "/about.html", true},
      {"../../../etc/hostname", false}, {"/etc/os-release", false}, {"sub/page.html", false},
      {"notes.txt", false}, {"missing.html", false}, {"hostname.html", false}, {".", false}};
  for (const auto& [href, followed] : links) {
    Choose(F().Help);
    EXPECT_TRUE(Sys().ClickLink(Window().WebBrowser1, href)) << Sys().LastRefusal();
    EXPECT_EQ(Window().WebBrowser1.LocationURL(), followed ? about : help) << href;
  }
  // A followed link is a page of the history like any other, and Back leaves it.
  EXPECT_TRUE(Sys().ClickLink(Window().WebBrowser1, "about.html"));
  const size_t pages = Window().WebBrowser1.History().size();
  EXPECT_TRUE(Sys().Click(Window().Picture1));
  EXPECT_EQ(Window().WebBrowser1.HistoryPosition(), static_cast<int>(pages) - 2);
  EXPECT_EQ(Window().WebBrowser1.LocationURL(), help);
}

// The build puts the pages beside the executable, where the commands look for them. The about
// page says which SoundFont the program plays with: the places it tries, in order.
TEST(HelpPages, LieBesideTheProgramAndAboutNamesTheSoundFontsInTheOrderTheProgramTriesThem) {
  std::vector<std::string> places = music::DefaultSoundFonts();
  if (const char* set = std::getenv("STAVELARK_SOUNDFONT"); set && *set) places.erase(places.begin());
  places.insert(places.begin(), {"Stavelark", "STAVELARK_SOUNDFONT"});
  const std::pair<const char*, std::vector<std::string>> pages[] = {{"about.html", places}, {"help.html", {"Stavelark"}}};
  for (const auto& [page, names] : pages) {  // each named in this order
    SCOPED_TRACE(page);
    std::ifstream in(std::string(STAVELARK_PROGRAM_DIR) + "/" + page);
    ASSERT_TRUE(in);
    std::stringstream text;
    text << in.rdbuf();
    size_t from = 0;
    for (const std::string& name : names) {
      from = text.str().find(name, from);
      ASSERT_NE(from, std::string::npos) << name << " is not named after the one before it";
    }
  }
}

}  // namespace
}  // namespace stavelark_test
