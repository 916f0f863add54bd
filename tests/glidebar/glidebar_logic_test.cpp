#include "glidebar/glidebar_logic.h"

#include "platform/basic/basic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace glidebar;

namespace {

// The control's behaviour with a cursor the test moves and the events it raises recorded.
class Glidebar : public ::testing::Test {
 protected:
  MemoryView view;
  POINTAPI cursor;
  std::vector<com::DispId> events;
  std::vector<std::string> changed;
  GlidebarLogic logic{view, GlidebarHost{[this] { return cursor; }, [this](com::DispId e) { events.push_back(e); },
                                         [this](std::string_view p) { changed.emplace_back(p); }}};

  void Press(int button, int x) {
    cursor.X = x;
    logic.AmpSlider_MouseDown(button, 0, 100, 100);
  }
  void MoveTo(int button, int x) {
    cursor.X = x;
    logic.AmpSlider_MouseMove(button, 0, 100, 100);
  }
  void Key(int code) { logic.AmpSlider_KeyDown(code, 0); }
  // The value box's key handler runs first, then the box applies the key (Enter adds nothing).
  void Type(const std::string& text) {
    for (char c : text) {
      int key = static_cast<unsigned char>(c);
      logic.ValueText_KeyPress(key);
      if (key != 0 && key != 13) view.SetValueText(view.ValueText() + static_cast<char>(key));
    }
  }
  void Enter() { Type("\r"); }
  void SetText(const std::string& text) { view.SetValueText(text); }
};

TEST_F(Glidebar, StartsWithTheDesignValues) {
  EXPECT_EQ(logic.myvalue(), "75");
  EXPECT_EQ(view.ThumbLeft(), 1200);
  EXPECT_EQ(logic.GrabOffset, 0);
  logic.ReadProperties();
  EXPECT_EQ(logic.myvalue(), "75");
}

TEST_F(Glidebar, ALeftDragFollowsTheCursorAndStopsAt1And99WhileRaisingMouseMoveOnEveryMove) {
  Press(1, 500);  // value 75: the cursor is 425 pixels ahead of it
  EXPECT_EQ(logic.ThumbCursorPos.X, 500);
  EXPECT_EQ(logic.GrabOffset, 425);
  MoveTo(1, 510);
  EXPECT_EQ(logic.myvalue(), "85");
  EXPECT_EQ(view.ThumbLeft(), 85 * 15 + 60);
  for (int x : {524, 525, 700, 524 + 1000}) MoveTo(1, x);
  EXPECT_EQ(logic.myvalue(), "99");
  EXPECT_EQ(view.ThumbLeft(), 1545);
  EXPECT_EQ(logic.Level, 1099);
  for (int x : {426, 425, 0, -5000}) MoveTo(1, x);
  EXPECT_EQ(logic.myvalue(), "1");
  EXPECT_EQ(view.ThumbLeft(), 75);
  EXPECT_EQ(events, std::vector<com::DispId>(9, event::MouseMove));
  EXPECT_TRUE(changed.empty());
}

TEST_F(Glidebar, DragsWithTheRightButtonOrTwoButtonsDoNothing) {
  Press(2, 500);
  MoveTo(2, 510);
  Press(1, 500);
  MoveTo(3, 510);
  MoveTo(4, 520);
  MoveTo(0, 530);
  EXPECT_EQ(logic.myvalue(), "75");
  EXPECT_EQ(view.ThumbLeft(), 1200);
  EXPECT_TRUE(events.empty());
}

TEST_F(Glidebar, ArrowKeysStepByFiveAndStopShortOfTheEnds) {
  SetText("50");
  Key(39);
  EXPECT_EQ(logic.myvalue(), "55");
  EXPECT_EQ(view.ThumbLeft(), 885);
  Key(37);
  Key(37);
  EXPECT_EQ(logic.myvalue(), "45");
  EXPECT_EQ(events.size(), 3u);

  SetText("6");
  Key(37);
  EXPECT_EQ(logic.myvalue(), "1");
  SetText("94");
  Key(39);
  EXPECT_EQ(logic.myvalue(), "99");
  EXPECT_EQ(events.size(), 5u);

  view.SetThumbLeft(1);
  for (const char* text : {"5", "3"}) {
    SetText(text);
    Key(37);
    EXPECT_EQ(logic.myvalue(), text);
  }
  for (const char* text : {"95", "99"}) {
    SetText(text);
    Key(39);
    EXPECT_EQ(logic.myvalue(), text);
  }
  SetText("50");
  Key(38);  // up arrow: not a step key
  Key(40);
  EXPECT_EQ(logic.myvalue(), "50");
  EXPECT_EQ(view.ThumbLeft(), 1);
  EXPECT_EQ(events.size(), 5u);
}

TEST_F(Glidebar, ATypedValueMovesTheThumbOnEnterWhenItLiesIn0To100) {
  SetText("");
  Type("100");
  Enter();
  EXPECT_EQ(view.ThumbLeft(), 1560);
  EXPECT_EQ(logic.myvalue(), "100");
  EXPECT_EQ(events, std::vector<com::DispId>{event::MouseMove});

  SetText("");
  Type("-5");
  Enter();
  SetText("abc");
  Enter();
  SetText("");
  Enter();
  EXPECT_EQ(view.ThumbLeft(), 1560);
  EXPECT_EQ(logic.myvalue(), "");
  EXPECT_EQ(events.size(), 1u);

  SetText("0");
  Enter();
  EXPECT_EQ(view.ThumbLeft(), 60);
  EXPECT_EQ(events.size(), 2u);
}

TEST_F(Glidebar, AFourCharacterTextTurnsTo0OnTheNextKeyYetEnterStillMovesTheThumbToIt) {
  SetText("50.5");
  Enter();
  EXPECT_EQ(logic.TypedText, "50.5");
  EXPECT_EQ(logic.myvalue(), "0");  // what the host then reads
  EXPECT_EQ(view.ThumbLeft(), 50.5 * 15 + 60);
  EXPECT_EQ(events, std::vector<com::DispId>{event::MouseMove});

  SetText("123");
  Type("4");
  EXPECT_EQ(logic.myvalue(), "1234");  // three characters before the key: kept
  int key = '5';
  logic.ValueText_KeyPress(key);
  EXPECT_EQ(logic.myvalue(), "0");
  SetText("ääää");  // characters, not bytes
  logic.ValueText_KeyPress(key);
  EXPECT_EQ(logic.myvalue(), "0");
  SetText("äää");
  logic.ValueText_KeyPress(key);
  EXPECT_EQ(logic.myvalue(), "äää");
}

TEST_F(Glidebar, MyvalueSetsTextAndThumbWithoutAnEventAndKeepsTextThatIsNoNumber) {
  logic.Letmyvalue("42");
  EXPECT_EQ(logic.myvalue(), "42");
  EXPECT_EQ(view.ThumbLeft(), 690);
  logic.Letmyvalue(" 150 ");  // no range test
  EXPECT_EQ(logic.myvalue(), " 150 ");
  EXPECT_EQ(view.ThumbLeft(), 2310);
  EXPECT_EQ(changed, (std::vector<std::string>{"myvalue", "myvalue"}));

  try {
    logic.Letmyvalue("loud");
    FAIL() << "no error";
  } catch (const basic::RuntimeError& e) {
    EXPECT_EQ(e.number, basic::err::TypeMismatch);
  }
  EXPECT_EQ(logic.myvalue(), "loud");
  EXPECT_EQ(view.ThumbLeft(), 2310);
  EXPECT_THROW(logic.Letmyvalue("1e300"), basic::RuntimeError);  // no window can be that wide
  EXPECT_EQ(view.ThumbLeft(), 2310);
  EXPECT_EQ(changed.size(), 2u);
  EXPECT_TRUE(events.empty());
}

TEST_F(Glidebar, DragsAndArrowsAreIgnoredWhileTheTextIsNoNumber) {
  Press(1, 500);  // GrabOffset 425
  SetText("x");
  Press(1, 300);
  EXPECT_EQ(logic.GrabOffset, 425);
  MoveTo(1, 310);
  Key(37);
  Key(39);
  EXPECT_EQ(logic.myvalue(), "x");
  EXPECT_TRUE(events.empty());

  SetText("20");
  Press(1, 300);
  MoveTo(1, 310);
  EXPECT_EQ(logic.myvalue(), "30");
  EXPECT_EQ(events.size(), 1u);
}

TEST_F(Glidebar, MaxIsAlwaysEmptyAndOnlyAnEmptyMyValueIsSaved) {
  logic.LetMax("100");
  EXPECT_EQ(logic.Max(), "");
  logic.Letmyvalue("30");
  EXPECT_EQ(logic.WriteProperties(), (std::vector<PropertyWrite>{{"MyValue", "", "0"}}));
}

}  // namespace

namespace {

TEST(GlidebarIdentity, InterfaceResourcesHoldTheLengthThenTheIdentifierInItsBinaryLayout) {
  const std::array<uint8_t, 20> expected = {0x10, 0x00, 0x00, 0x00, 0xD7, 0x98, 0xDD, 0x75, 0xA4, 0x88,
                                            0x5E, 0x4A, 0x82, 0xF5, 0xA2, 0x2E, 0xB0, 0x0A, 0x59, 0x48};
  EXPECT_EQ(kIidResources[0].name, "_IID_GLIDEBAR");
  EXPECT_EQ(kIidResources[0].bytes, expected);
  EXPECT_EQ(kIidResources[1].name, "_SRCIID_GLIDEBAR");
  EXPECT_EQ(kIidResources[1].bytes[4], 0xED);  // {5E0C76ED-...}, lowest byte first
  EXPECT_EQ(kIidResources[1].bytes[19], 0x38);
}

}  // namespace
