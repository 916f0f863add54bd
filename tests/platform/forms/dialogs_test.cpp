// Scripted dialogs: answers, records, unexpected dialogs, the common dialog, and handler
// errors reported as run-time error messages.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/forms/headless/headless_system.h"
#include "platform/forms/test_form.h"
#include "support/headless_fixture.h"

namespace {

using namespace forms_test;
using forms::headless::DialogKind;
using forms::headless::DialogRecord;
using forms::headless::HeadlessSystem;
using Lines = std::vector<std::string>;
namespace mb = forms::mb;

class DialogsTest : public stavelark_test::HeadlessTest {
 protected:
  void SetUp() override {
    form.Show();
    log.clear();
  }
  HeadlessSystem& sys = Sys();
  Log log;
  TestForm form{sys, log};
};

TEST_F(DialogsTest, ScriptedAnswersReachTheProgramAndEveryDialogIsRecorded) {
  sys.AnswerMsgBox(mb::Yes, "Save changes?");
  sys.AnswerInputBox("120", "Tempo:");
  sys.AnswerFileDialog("/home/u/song.msf");
  form.dlg.Filter = "Songs|*.msf|All|*.*";
  form.dlg.DialogTitle = "Save As";
  int saved = 0;
  std::string tempo;
  form.cmd.Click = [&] {
    saved = sys.MsgBoxText("Save changes?", mb::YesNoCancel | mb::Question);
    tempo = sys.InputBoxText("Tempo:", "", "100");
    form.dlg.ShowSave();
  };
  ASSERT_TRUE(sys.Click(form.cmd));
  EXPECT_EQ(saved, mb::Yes);
  EXPECT_EQ(tempo, "120");
  EXPECT_EQ(form.dlg.FileName(), "/home/u/song.msf");
  EXPECT_EQ(form.dlg.FileTitle(), "song.msf");
  EXPECT_EQ(form.dlg.FilterIndex(), 1);

  const auto& d = sys.Dialogs();
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d[0].Describe(), "MsgBox \"Save changes?\" title \"Stavelark\" buttons 35 -> 6");
  EXPECT_EQ(d[1].Describe(), "InputBox \"Tempo:\" title \"Stavelark\" default \"100\" -> \"120\"");
  EXPECT_EQ(d[2].kind, DialogKind::SaveFile);
  EXPECT_EQ(d[2].file.filter, "Songs|*.msf|All|*.*");
  EXPECT_EQ(d[2].title, "Save As");
  EXPECT_TRUE(d[2].scripted);
  EXPECT_TRUE(sys.UnexpectedDialogs().empty());
}

TEST_F(DialogsTest, UnscriptedDialogsGetTheSafeAnswerAndAreReported) {
  // Escape does not end a Yes/No box: only a button does, here its default one.
  EXPECT_EQ(sys.MsgBoxText("Really?", mb::YesNo), mb::Yes);
  EXPECT_EQ(sys.MsgBoxText("Really?", mb::YesNo | 256), mb::No);
  sys.ClearUnexpectedDialogs();
  EXPECT_EQ(sys.MsgBoxText("Quit?", mb::YesNoCancel), mb::Cancel);
  EXPECT_EQ(sys.MsgBoxText("Done"), mb::Ok);
  EXPECT_EQ(sys.InputBoxText("Name?"), "");
  form.dlg.FileName = "keep.msf";
  form.dlg.ShowOpen();
  EXPECT_EQ(form.dlg.FileName(), "keep.msf");
  ASSERT_EQ(sys.UnexpectedDialogs().size(), 4u);
  EXPECT_EQ(sys.UnexpectedDialogs()[0].Describe(),
            "MsgBox \"Quit?\" title \"Stavelark\" buttons 3 -> 2 (no answer was scripted)");

  // an answer for another kind of dialog waits for its own
  sys.ClearUnexpectedDialogs();
  sys.AnswerFileDialog("/tmp/a.msf", 2);
  EXPECT_EQ(sys.MsgBoxText("Overwrite?", mb::OkCancel), mb::Cancel);
  form.dlg.ShowOpen();
  EXPECT_EQ(form.dlg.FileName(), "/tmp/a.msf");
  EXPECT_EQ(form.dlg.FilterIndex(), 2);
  ASSERT_EQ(sys.UnexpectedDialogs().size(), 1u);
  EXPECT_EQ(sys.UnexpectedDialogs()[0].problem, "the next scripted answer is a file dialog answer \"/tmp/a.msf\"");

  // a different prompt still takes the answer, and is reported
  sys.ClearUnexpectedDialogs();
  sys.AnswerMsgBox(mb::Yes, "Delete the track?");
  EXPECT_EQ(sys.MsgBoxText("Delete the bar?", mb::YesNo), mb::Yes);
  ASSERT_EQ(sys.UnexpectedDialogs().size(), 1u);
  EXPECT_EQ(sys.UnexpectedDialogs()[0].problem, "expected the prompt \"Delete the track?\"");
  sys.ClearUnexpectedDialogs();
}

TEST_F(DialogsTest, TheFixtureFailsATestForEachLeftoverWithItsText) {
  sys.MsgBoxText("Oops\r\nline two");
  EXPECT_NONFATAL_FAILURE(stavelark_test::CheckHeadless(sys), "unexpected dialog: MsgBox \"Oops\\r\\nline two\"");
  sys.ClearUnexpectedDialogs();

  sys.AnswerMsgBox(mb::Ok, "Never shown");
  EXPECT_NONFATAL_FAILURE(stavelark_test::CheckHeadless(sys),
                          "scripted answer never used: a MsgBox answer 1 for \"Never shown\"");
  sys.ClearAnswers();

  sys.Post([] {});
  EXPECT_NONFATAL_FAILURE(stavelark_test::CheckHeadless(sys), "1 posted action(s) never ran");
  sys.DoEvents();
}

TEST_F(DialogsTest, AMsgBoxCallbackActsWhileTheBoxIsOpen) {
  form.tmr.Interval = 200;
  form.tmr.Tick = [&] { log.push_back("tick @" + std::to_string(sys.Now())); };
  sys.AnswerMsgBox([&](const DialogRecord& d) {
    log.push_back("box " + d.prompt);
    sys.Advance(500);
    return mb::No;
  });
  EXPECT_EQ(sys.MsgBoxText("Stop playback?", mb::YesNo), mb::No);
  EXPECT_EQ(log, (Lines{"box Stop playback?", "tick @200", "tick @400"}));
}

TEST_F(DialogsTest, CommonDialogRaisesCancelErrorOnlyWhenAsked) {
  auto& dlg = form.dlg;
  dlg.FileName = "old.msf";
  dlg.CancelError = true;
  sys.CancelFileDialog();
  EXPECT_EQ(ErrorOf([&] { dlg.ShowOpen(); }), 32755);
  EXPECT_EQ(dlg.FileName(), "old.msf");
  dlg.CancelError = false;
  sys.CancelFileDialog();
  EXPECT_EQ(ErrorOf([&] { dlg.ShowSave(); }), 0);
  EXPECT_EQ(dlg.FileName(), "old.msf");

  dlg.Color = forms::RGB(1, 2, 3);
  sys.AnswerColorDialog(forms::RGB(10, 20, 30));
  dlg.ShowColor();
  EXPECT_EQ(dlg.Color(), forms::RGB(10, 20, 30));
  EXPECT_EQ(sys.Dialogs().back().color, forms::RGB(1, 2, 3));
  dlg.CancelError = true;
  sys.CancelColorDialog();
  EXPECT_EQ(ErrorOf([&] { dlg.ShowColor(); }), 32755);
  EXPECT_EQ(dlg.Color(), forms::RGB(10, 20, 30));

  dlg.Min = 1;
  dlg.Max = 9;
  sys.AnswerPrinterDialog({2, 1, 3});
  dlg.ShowPrinter();
  EXPECT_EQ(dlg.Copies(), 2);
  EXPECT_EQ(dlg.FromPage(), 1);
  EXPECT_EQ(dlg.ToPage(), 3);
  EXPECT_EQ(sys.Dialogs().back().printer.max, 9);
  sys.CancelPrinterDialog();
  EXPECT_EQ(ErrorOf([&] { dlg.ShowPrinter(); }), 32755);
  EXPECT_EQ(dlg.Copies(), 2);
}

TEST_F(DialogsTest, AnUnhandledErrorInAHandlerBecomesARunTimeErrorMessageAndTheProgramGoesOn) {
  form.cmd.Click = [] { basic::CInt(40000.0); };
  sys.AnswerMsgBox(mb::Ok, "Run-time error '6':\r\n\r\nOverflow", "Stavelark");
  ASSERT_TRUE(sys.Click(form.cmd));
  ASSERT_EQ(sys.Dialogs().size(), 1u);
  EXPECT_EQ(sys.Dialogs()[0].buttons, mb::Critical);

  form.cmd.Click = [&] { log.push_back("again"); };
  ASSERT_TRUE(sys.Click(form.cmd));
  EXPECT_EQ(log.back(), "again");
}

}  // namespace
