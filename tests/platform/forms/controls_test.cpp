// Controls on the headless system: control arrays, the events of each kind, focus, keys,
// typing, the mouse and menus.
#include <gtest/gtest.h>

#include "platform/forms/headless/headless_system.h"
#include "platform/forms/test_form.h"
#include "support/headless_fixture.h"

namespace {

using namespace forms_test;
using forms::headless::HeadlessSystem;
using Lines = std::vector<std::string>;

class ControlsTest : public stavelark_test::HeadlessTest {
 protected:
  void SetUp() override {
    form.Show();
    log.clear();
  }
  HeadlessSystem& sys = Sys();
  Log log;
  TestForm form{sys, log};
};

std::string Names(const std::vector<forms::Menu*>& items) {
  std::string s;
  for (const forms::Menu* m : items)
    s += m->Name() + (m->Index() >= 0 ? "(" + std::to_string(m->Index()) + ")" : "") + " ";
  return s;
}

TEST_F(ControlsTest, LoadedArrayElementIsAHiddenCopyOfElementZeroInItsContainer) {
  auto& zero = form.optFrame[0];
  zero.Caption = "Slow";
  zero.Value = true;
  log.clear();

  auto& three = form.optFrame.Load(3);
  EXPECT_EQ(three.Index(), 3);
  EXPECT_EQ(three.Caption(), "Slow");
  EXPECT_EQ(three.Left(), zero.Left());
  EXPECT_EQ(three.Width(), zero.Width());
  EXPECT_EQ(three.Container(), &form.fra);
  EXPECT_FALSE(three.Visible());
  EXPECT_FALSE(three.Value());  // the group keeps its one selection
  EXPECT_TRUE(zero.Value());
  EXPECT_TRUE(log.empty()) << log[0];  // loading raises no events
  EXPECT_EQ(form.optFrame.Count(), 3);
  EXPECT_EQ(form.optFrame.UBound(), 3);

  EXPECT_EQ(ErrorOf([&] { (void)form.optFrame[2]; }), 340);
  EXPECT_EQ(ErrorOf([&] { form.optFrame.Load(3); }), 360);
  EXPECT_EQ(ErrorOf([&] { form.optFrame.Load(-1); }), 9);

  three.Visible = true;
  ASSERT_TRUE(sys.Click(three));
  EXPECT_EQ(log, (Lines{"optFrame(3).GotFocus", "optFrame(3).MouseDown 1 0 750 150", "optFrame(3).MouseUp 1 0 750 150",
                        "optFrame(3).Click"}));
  EXPECT_FALSE(zero.Value());

  form.optFrame.Unload(3);
  EXPECT_FALSE(form.optFrame.Exists(3));
  EXPECT_EQ(form.FindControl("optFrame", 3), nullptr);
  EXPECT_EQ(ErrorOf([&] { (void)form.optFrame[3]; }), 340);
  EXPECT_EQ(form.ActiveControl(), nullptr);
}

TEST_F(ControlsTest, InputStopsWhenAHandlerTakesItsControlAway) {
  for (int i : {1, 2}) {
    auto& note = form.lblNote.Load(i);
    note.Left = 500 * i + 400;
    note.Visible = true;
  }
  form.lblNote.MouseDown = [&](int i, int, int, double, double) {
    log.push_back("down " + std::to_string(i));
    form.lblNote.Unload(i);
  };
  ASSERT_TRUE(sys.Click(form.lblNote[1]));  // no MouseUp, no Click for the unloaded label
  ASSERT_TRUE(sys.MouseDown(form, 1, 0, 1500, 3700));
  ASSERT_TRUE(sys.MouseUp(form, 1, 0, 1500, 3700));  // the capture went with it
  EXPECT_EQ(log, (Lines{"down 1", "down 2", "TestForm.Form_MouseUp 1 0 1500 3700"}));

  form.Destroy(form.fra);  // what a container held stays, on the form
  EXPECT_EQ(form.optFrame[0].Container(), nullptr);
  EXPECT_TRUE(form.optFrame[0].IsShowing());
}

TEST_F(ControlsTest, OptionButtonsAreExclusiveWithinTheirContainerAndTabPage) {
  form.optMode[0].Value = true;
  form.optFrame[0].Value = true;  // another container: its own group
  EXPECT_TRUE(form.optMode[0].Value());
  ASSERT_TRUE(sys.Click(form.optMode[1]));
  EXPECT_TRUE(form.optMode[1].Value());
  EXPECT_FALSE(form.optMode[0].Value());
  EXPECT_TRUE(form.optFrame[0].Value());
  EXPECT_EQ(log, (Lines{"optMode(0).Click", "optFrame(0).Click", "optMode(1).GotFocus", "optMode(1).MouseDown 1 0 600 150",
                        "optMode(1).MouseUp 1 0 600 150", "optMode(1).Click"}));

  log.clear();
  ASSERT_TRUE(sys.Click(form.optMode[1]));  // already selected: no Click
  EXPECT_EQ(log, (Lines{"optMode(1).MouseDown 1 0 600 150", "optMode(1).MouseUp 1 0 600 150"}));

  form.optTabA.Value = true;
  form.optTabC.Value = true;  // on the other page
  EXPECT_TRUE(form.optTabA.Value());
  form.optTabB.Value = true;
  EXPECT_FALSE(form.optTabA.Value());
  EXPECT_TRUE(form.optTabC.Value());
}

TEST_F(ControlsTest, CheckBoxAndComboBoxRaiseClickForChangesFromCode) {
  form.chk.Value = 1;
  form.chk.Value = 1;  // no change, no event
  EXPECT_EQ(log, Lines{"chk.Click"});

  log.clear();
  ASSERT_TRUE(sys.Click(form.chk));
  EXPECT_EQ(form.chk.Value(), 0);
  EXPECT_EQ(log, (Lines{"chk.GotFocus", "chk.MouseDown 1 0 750 150", "chk.MouseUp 1 0 750 150", "chk.Click"}));
  form.chk.Value = 2;  // grayed: a click checks it
  ASSERT_TRUE(sys.Click(form.chk));
  EXPECT_EQ(form.chk.Value(), 1);

  log.clear();
  form.cbo.ListIndex = 1;
  EXPECT_EQ(form.cbo.Text(), "b");
  ASSERT_TRUE(sys.Select(form.cbo, 2));
  EXPECT_EQ(form.cbo.Text(), "c");
  EXPECT_EQ(log, (Lines{"cbo.Click", "cbo.Click"}));
  EXPECT_FALSE(sys.Select(form.cbo, 3));
  EXPECT_EQ(sys.LastRefusal(), "cbo has no item 3");
  EXPECT_EQ(ErrorOf([&] { form.cbo.ListIndex = 7; }), 380);
  EXPECT_EQ(form.cbo.ListIndex(), -1);

  // A drop-down list's text selects the item it names, without a Click.
  log.clear();
  form.cbo.Style = forms::ComboStyle::DropDownList;
  form.cbo.Text = "b";
  EXPECT_EQ(form.cbo.ListIndex(), 1);
  form.cbo.Text = "zz";
  EXPECT_EQ(form.cbo.ListIndex(), -1);
  EXPECT_TRUE(log.empty());
}

TEST_F(ControlsTest, SliderRaisesChangeOnlyForTheUserWhileScrollBarAndTextBoxAlwaysDo) {
  form.sld.Value = 5;
  EXPECT_TRUE(log.empty());
  ASSERT_TRUE(sys.UserSetValue(form.sld, 8));
  ASSERT_TRUE(sys.UserSetValue(form.sld, 8));
  ASSERT_TRUE(sys.UserSetValue(form.sld, 99));
  EXPECT_EQ(form.sld.Value(), 10);  // clamped to Max
  EXPECT_EQ(log, (Lines{"sld.Change", "sld.Change"}));

  log.clear();
  form.hsc.Value = 3;
  ASSERT_TRUE(sys.UserSetValue(form.hsc, 40000));
  EXPECT_EQ(form.hsc.Value(), 32767);
  form.txt.Text = "x";
  EXPECT_EQ(log, (Lines{"hsc.Change", "hsc.Change", "txt.Change"}));
}

TEST_F(ControlsTest, TypingGoesThroughKeyPressWithKeyPreviewAndHonoursTheBox) {
  form.KeyPreview = true;
  form.onKeyPress = [](int& k) {
    if (k == '#') k = 0;
  };
  form.txt.KeyPress = [&](int& k) {
    log.push_back("txt.KeyPress " + std::to_string(k));
    if (k >= 'a' && k <= 'z') k -= 32;
  };
  ASSERT_TRUE(sys.Type(form.txt, "a#b"));
  EXPECT_EQ(form.txt.Text(), "AB");
  EXPECT_EQ(log, (Lines{"txt.GotFocus", "TestForm.Form_KeyPress 97", "txt.KeyPress 97", "txt.Change",
                        "TestForm.Form_KeyPress 35", "TestForm.Form_KeyPress 98", "txt.KeyPress 98", "txt.Change"}));

  form.txt.MaxLength = 4;
  ASSERT_TRUE(sys.Type(form.txt, "cde"));
  EXPECT_EQ(form.txt.Text(), "ABCD");
  form.txt.MaxLength = 0;
  ASSERT_TRUE(sys.Type(form.txt, "\b\b\xC3\xA9\r"));  // two backspaces, e acute, Return
  EXPECT_EQ(form.txt.Text(), "AB\xC3\xA9");
  form.txt.MultiLine = true;
  ASSERT_TRUE(sys.Type(form.txt, "\r"));
  EXPECT_EQ(form.txt.Text(), "AB\xC3\xA9\r\n");

  log.clear();
  form.txt.Locked = true;
  ASSERT_TRUE(sys.Type(form.txt, "z"));
  EXPECT_EQ(form.txt.Text(), "AB\xC3\xA9\r\n");
  EXPECT_EQ(log, (Lines{"TestForm.Form_KeyPress 122", "txt.KeyPress 122"}));
}

TEST_F(ControlsTest, KeysGoToTheActiveControlAfterTheFormWithKeyPreview) {
  ASSERT_TRUE(sys.Focus(form.txt));
  log.clear();
  ASSERT_TRUE(sys.KeyDown(form, forms::vk::F1));
  form.KeyPreview = true;
  ASSERT_TRUE(sys.KeyDown(form, forms::vk::F1, forms::shift::Ctrl));
  ASSERT_TRUE(sys.KeyUp(form, forms::vk::F1, forms::shift::Ctrl));
  form.onKeyDown = [](int& k) { k = 0; };  // the form keeps the key
  ASSERT_TRUE(sys.KeyDown(form, forms::vk::Delete));
  EXPECT_EQ(log, (Lines{"txt.KeyDown 112 0", "TestForm.Form_KeyDown 112 2", "txt.KeyDown 112 2",
                        "TestForm.Form_KeyUp 112 2", "txt.KeyUp 112 2", "TestForm.Form_KeyDown 46 0"}));

  form.SetActiveControl(nullptr);
  form.KeyPreview = false;
  log.clear();
  ASSERT_TRUE(sys.KeyPress(form, 'q'));  // no active control: the form has it, once
  EXPECT_EQ(log, Lines{"TestForm.Form_KeyPress 113"});
}

TEST_F(ControlsTest, FocusFollowsTabOrderLosingBeforeGetting) {
  ASSERT_TRUE(sys.Focus(form.txt));
  ASSERT_TRUE(sys.Tab(form));
  ASSERT_TRUE(sys.Tab(form));
  ASSERT_TRUE(sys.Tab(form, true));
  EXPECT_EQ(log, (Lines{"txt.GotFocus", "txt.LostFocus", "chk.GotFocus", "chk.LostFocus", "cmd.GotFocus",
                        "cmd.LostFocus", "chk.GotFocus"}));
  EXPECT_EQ(form.ActiveControl(), &form.chk);

  ASSERT_TRUE(sys.Focus(form.txt));
  form.chk.Visible = false;  // hidden controls are skipped
  ASSERT_TRUE(sys.Tab(form));
  EXPECT_EQ(form.ActiveControl(), &form.cmd);

  EXPECT_FALSE(sys.Focus(form.lbl));
  EXPECT_EQ(sys.LastRefusal(), "lbl cannot take the focus");
  form.txt.Enabled = false;
  EXPECT_FALSE(sys.Focus(form.txt));
  EXPECT_EQ(sys.LastRefusal(), "txt is disabled");
  EXPECT_EQ(form.ActiveControl(), &form.cmd);
}

TEST_F(ControlsTest, MouseGoesToWhatLiesUnderThePointAndStaysCapturedWhilePressed) {
  // nothing there: the form, in client coordinates
  ASSERT_TRUE(sys.MouseDown(form, 1, 0, 5900, 4400));
  ASSERT_TRUE(sys.MouseUp(form, 1, 0, 5900, 4400));
  // a label inside a picture box, then the picture box around it
  ASSERT_TRUE(sys.MouseDown(form, 2, 1, 205, 2110));
  ASSERT_TRUE(sys.MouseUp(form, 2, 1, 205, 2110));
  ASSERT_TRUE(sys.MouseDown(form, 1, 0, 1000, 3000));
  ASSERT_TRUE(sys.MouseUp(form, 1, 0, 1000, 3000));
  // a disabled label passes the press to its container
  form.lblInPic.Enabled = false;
  ASSERT_TRUE(sys.MouseDown(form, 1, 0, 205, 2110));
  ASSERT_TRUE(sys.MouseUp(form, 1, 0, 205, 2110));
  // lines and shapes take no mouse: their form has it
  ASSERT_TRUE(sys.MouseDown(form.lin, 1, 0, 1500, 4000));
  ASSERT_TRUE(sys.MouseUp(form.lin, 1, 0, 1500, 4000));
  ASSERT_TRUE(sys.Click(form.shp));
  EXPECT_EQ(log, (Lines{"TestForm.Form_MouseDown 1 0 5900 4400", "TestForm.Form_MouseUp 1 0 5900 4400",
                        "lblInPic.MouseDown 2 1 5 10", "lblInPic.MouseUp 2 1 5 10", "pic.MouseDown 1 0 900 1000",
                        "pic.MouseUp 1 0 900 1000", "pic.MouseDown 1 0 105 110", "pic.MouseUp 1 0 105 110",
                        "TestForm.Form_MouseDown 1 0 1500 4000", "TestForm.Form_MouseUp 1 0 1500 4000",
                        "TestForm.Form_MouseDown 1 0 4000 3500", "TestForm.Form_MouseUp 1 0 4000 3500",
                        "TestForm.Form_Click"}));

  log.clear();
  ASSERT_TRUE(sys.MouseDown(form, 1, 0, 200, 200));
  ASSERT_TRUE(sys.MouseMove(form, 1, 0, 5000, 4000));  // dragged off the button: still the button's
  ASSERT_TRUE(sys.MouseUp(form, 1, 0, 5000, 4000));
  ASSERT_TRUE(sys.MouseMove(form, 0, 0, 5000, 4000));  // released: what lies there
  EXPECT_EQ(log, (Lines{"cmd.MouseDown 1 0 100 100", "cmd.MouseMove 1 0 4900 3900", "cmd.MouseUp 1 0 4900 3900",
                        "TestForm.Form_MouseMove 0 0 5000 4000"}));
  auto p = sys.GetCursorPos();
  auto expected = sys.ClientToScreen(form, 5000, 4000);
  EXPECT_EQ(p.x, expected.x);
  EXPECT_EQ(p.y, expected.y);

  // a hosted control's surface form has the mouse over it, in its own coordinates
  log.clear();
  ASSERT_TRUE(sys.MouseDown(form, 1, 0, 5100, 3400));
  ASSERT_TRUE(sys.MouseUp(form, 1, 0, 5100, 3400));
  EXPECT_EQ(log, (Lines{"Surface.Form_MouseDown 1 0 500 400", "Surface.Form_MouseUp 1 0 500 400"}));
}

TEST_F(ControlsTest, InputIsRefusedWhereNoUserCouldGiveIt) {
  form.fra.Enabled = false;
  EXPECT_FALSE(sys.Click(form.optFrame[0]));
  EXPECT_EQ(sys.LastRefusal(), "fra is disabled");
  form.chk.Visible = false;
  EXPECT_FALSE(sys.Click(form.chk));
  EXPECT_EQ(sys.LastRefusal(), "chk is not showing");
  EXPECT_FALSE(sys.Click(form.optTabC));  // on the tab page not shown
  EXPECT_EQ(sys.LastRefusal(), "optTabC is not showing");
  EXPECT_FALSE(sys.Click(form.tmr));
  EXPECT_TRUE(log.empty());

  ASSERT_TRUE(sys.SelectTab(form.tab, 1));
  EXPECT_TRUE(sys.Click(form.optTabC));
  EXPECT_FALSE(sys.SelectTab(form.tab, 2));

  form.Hide();
  EXPECT_FALSE(sys.Click(form.cmd));
  EXPECT_EQ(sys.LastRefusal(), "form TestForm is not visible");
  EXPECT_FALSE(sys.CloseBox(form));
}

TEST_F(ControlsTest, ChoosingAMenuItemOpensTheMenusAboveIt) {
  ASSERT_TRUE(sys.ChooseMenu(form.mnuFileOpen));
  EXPECT_EQ(log, (Lines{"mnuFile.Click", "mnuFileOpen.Click"}));
  EXPECT_FALSE(sys.ChooseMenu(form.mnuFileSep));

  // loaded menu items go after the last element of their array
  form.mnuRecent.Load(1).Caption = "2 recent";
  auto& third = form.mnuRecent.Load(2);
  EXPECT_EQ(Names(form.mnuFile.Items()),
            "mnuFileOpen mnuRecent(0) mnuRecent(1) mnuRecent(2) mnuFileSep mnuFileExit ");
  EXPECT_FALSE(sys.ChooseMenu(third));
  EXPECT_EQ(sys.LastRefusal(), "mnuRecent(2) is hidden");
  third.Visible = true;
  log.clear();
  ASSERT_TRUE(sys.Click(third));
  EXPECT_EQ(log, (Lines{"mnuFile.Click", "mnuRecent(2).Click"}));
  form.mnuRecent.Unload(1);
  EXPECT_EQ(Names(form.mnuFile.Items()), "mnuFileOpen mnuRecent(0) mnuRecent(2) mnuFileSep mnuFileExit ");

  form.mnuFile.Enabled = false;
  EXPECT_FALSE(sys.ChooseMenu(form.mnuFileExit));
  EXPECT_EQ(sys.LastRefusal(), "mnuFile is disabled");
}

}  // namespace
