// The window system for tests: no display, a virtual clock, scripted dialogs, simulated
// input and recorded printouts. A test builds one, lets the program make its forms on it,
// then acts as a user would and checks what the program did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/forms/window_system.h"

namespace forms::headless {

// Milliseconds that pass only when a test advances them or a wait has nothing else to do.
class VirtualClock final : public basic::Clock {
 public:
  int64_t NowMs() const override { return now_; }
  // Moves the clock forward to `ms`; it never goes back.
  void MoveTo(int64_t ms) {
    if (ms > now_) now_ = ms;
  }

 private:
  int64_t now_ = 0;
};

enum class DialogKind { MsgBox, InputBox, OpenFile, SaveFile, Color, Printer };
const char* DialogKindName(DialogKind kind);

// One dialog the program showed, and the answer it got.
struct DialogRecord {
  DialogKind kind = DialogKind::MsgBox;
  std::string prompt;             // MsgBox, InputBox
  std::string title;              // MsgBox, InputBox; DialogTitle of a file dialog
  int buttons = 0;                // MsgBox buttons and icon; Flags of a common dialog
  std::string defaultText;        // InputBox
  std::optional<double> x, y;     // InputBox position, twips
  FileDialogRequest file;         // OpenFile, SaveFile
  Color color = 0;                // Color: the colour it opened with
  PrinterRequest printer;         // Printer

  bool scripted = false;          // answered from the script
  bool cancelled = false;         // answered with Cancel (InputBox and the common dialogs)
  int answer = 0;                 // MsgBox: the button code
  std::string answerText;         // InputBox text; the chosen file's path
  int answerFilterIndex = 0;      // file dialogs
  Color answerColor = 0;          // Color
  PrinterAnswer answerPrinter;    // Printer
  // Why the dialog counts as unexpected ("" when it doesn't): no answer scripted, the next
  // answer is for another kind of dialog, or the prompt or title differs from the expected one.
  std::string problem;

  // One line for failure messages: kind, texts (control characters escaped), answer, problem.
  std::string Describe() const;
};

// What PrintForm put on paper: the form's client area, control by control, back to front.
struct PrintedControl {
  ControlKind kind = ControlKind::Label;
  std::string name;
  int index = -1;
  std::string form;       // the form the control belongs to (a hosted control's surface differs)
  double left = 0;        // top-left in the printed form's client area, twips
  double top = 0;         // (for a line: its container's origin, where X1..Y2 are measured)
  std::vector<std::pair<std::string, std::string>> properties;  // every property, as text

  // The property's text; "" when the kind has no such property.
  std::string Value(std::string_view property) const;
};

struct PrintedPage {
  std::string form;
  double width = 0;   // client area, twips
  double height = 0;
  std::vector<std::pair<std::string, std::string>> formProperties;
  std::vector<PrintedControl> controls;  // back to front

  // The first printed control of that name and index; nullptr when it was not printed.
  const PrintedControl* Find(std::string_view name, int index = -1) const;
};

// Outlives every form made on it (forms tell their system when they go).
class HeadlessSystem : public WindowSystem {
 public:
  HeadlessSystem();
  ~HeadlessSystem() override;

  // ---- WindowSystem ----
  std::unique_ptr<FormPeer> CreatePeer(Form& form) override;
  void TimerChanged(Timer& timer, bool gone) override;
  const basic::Clock& Clock() const override { return clock_; }
  // Runs the posted actions queued when it was called, then the timers that are due. When
  // that ran nothing, time passes: the clock moves on by 1 ms and the timers due then fire
  // (a wait never overshoots its end, and a one-second wait is a thousand cheap calls). A
  // wait stalls when it stays idle with no timer running and nothing posted for the stall
  // limit of calls, or moves the clock on for longer than the wait limit with nothing posted
  // (only timers firing): it prints what it knows to stderr and aborts, since the test would
  // otherwise hang. Throws EndProgram when the program has ended (before or during the call).
  void DoEvents() override;
  // Wake-ups run their handlers at the next DoEvents, or on the way of the next Advance.
  std::unique_ptr<Wakeup> MakeWakeup(std::function<void()> handler) override;
  int MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText, std::optional<double> x,
                                      std::optional<double> y) override;
  std::optional<FileDialogAnswer> FileDialog(const FileDialogRequest& request) override;
  std::optional<Color> ColorDialog(Color initial, int flags) override;
  std::optional<PrinterAnswer> PrinterDialog(const PrinterRequest& request) override;
  void PrintForm(Form& form) override;
  PointApi GetCursorPos() override { return cursor_; }
  double ScreenWidth() const override;   // 1280 pixels
  double ScreenHeight() const override;  // 1024 pixels
  void Beep() override { ++beeps_; }
  void Run() override {}

  // ---- the virtual clock ----
  int64_t Now() const { return clock_.NowMs(); }
  // Moves the clock on by `ms`, firing every timer that comes due on the way, in due order
  // (the earlier started first on a tie), each through Dispatch. A timer does not fire again
  // while its own handler is still running.
  void Advance(int64_t ms);

  // ---- acting inside waits ----
  // Runs `action` (through Dispatch) at the next DoEvents: how a test clicks OK on a form the
  // program waits for.
  void Post(std::function<void()> action);
  size_t PendingPosts() const { return posted_.size(); }
  // The stall limits: idle DoEvents calls in a row with no timer running (default 100000)
  // and virtual milliseconds of waiting with nothing posted (default ten minutes). Posting,
  // a user action and Advance start the count afresh.
  void SetStallLimits(int idleCalls, int64_t waitMs);

  // ---- scripted dialogs ----
  // Answers are used in the order queued, one per dialog shown, whatever its kind. A dialog
  // the next answer is not for, or with none left, is recorded as unexpected and answered
  // as Escape would (Cancel; OK for a plain message), or, on a box that Escape does not end
  // (Yes/No), with its default button. An expected prompt or title, when
  // given, must match exactly, or the dialog is recorded as unexpected (it still gets the answer).
  void AnswerMsgBox(int answer, std::optional<std::string> prompt = std::nullopt,
                    std::optional<std::string> title = std::nullopt);
  // The callback runs while the box is open (it may act, e.g. Advance) and returns the answer.
  void AnswerMsgBox(std::function<int(const DialogRecord&)> answer);
  void AnswerInputBox(std::string text, std::optional<std::string> prompt = std::nullopt);
  void AnswerInputBox(std::function<std::optional<std::string>(const DialogRecord&)> answer);
  void CancelInputBox(std::optional<std::string> prompt = std::nullopt);
  // For an open or a save dialog; filterIndex 0 keeps the one the program asked with. A save
  // dialog with cdl::OFNOverwritePrompt given an existing file then asks "<name> already
  // exists.\nDo you want to replace it?" (Yes/No, titled with the dialog's title or "Save As"),
  // as the real dialog does: script that answer next; No shows the file dialog again.
  void AnswerFileDialog(std::string path, int filterIndex = 0);
  void CancelFileDialog();
  void AnswerColorDialog(Color color);
  // OK without a pick: the colour the dialog opened with.
  void AcceptColorDialog();
  void CancelColorDialog();
  void AnswerPrinterDialog(PrinterAnswer answer);
  void CancelPrinterDialog();
  // Answers still queued, described.
  std::vector<std::string> UnusedAnswers() const;
  void ClearAnswers() { script_.clear(); }

  // Every dialog shown, in order; those that were unexpected.
  const std::vector<DialogRecord>& Dialogs() const { return dialogs_; }
  const std::vector<DialogRecord>& UnexpectedDialogs() const { return unexpected_; }
  // For a test that provokes an unexpected dialog on purpose and has checked it.
  void ClearUnexpectedDialogs() { unexpected_.clear(); }

  // ---- simulated input ----
  // Each delivers its events through Dispatch, as the real window system would, and returns
  // false (with the reason in LastRefusal) when a user could not do it: the program has
  // ended, the form is not loaded, not visible or disabled, another form is shown modally,
  // or the control is not showing or is disabled (itself or a container).
  //
  // A click: the focus moves to a control that can take it (LostFocus, GotFocus), then
  // MouseDown, MouseUp and Click at the control's centre. A check box toggles (Value 1 <-> 0,
  // grayed becomes checked) and an option button is selected; their Value change raises Click.
  // A line or shape passes the click to what holds it (the form: Form_Click). A menu item is chosen.
  bool Click(Control& control);
  // Click, then DblClick and a second MouseUp.
  bool DblClick(Control& control);
  // Mouse events at (x, y) in twips relative to the control. A control that takes no mouse
  // (line, shape) passes them to its container, or to the form's Form_Mouse* handlers, in their
  // coordinates; a hosted control passes them to its surface form.
  bool MouseDown(Control& control, int button, int shift, double x, double y);
  bool MouseMove(Control& control, int button, int shift, double x, double y);
  bool MouseUp(Control& control, int button, int shift, double x, double y);
  // Mouse events at (x, y) in twips in the form's client area, to whatever lies there: the
  // front-most showing control that takes the mouse (a disabled one passes it to its
  // container), else the form. From a MouseDown to the MouseUp of the last button held, the
  // mouse is captured: every mouse event goes to the pressed target, in its coordinates.
  // Every mouse event also puts the cursor (GetCursorPos) at its point. Mouse events alone
  // do not move the focus (Click does).
  bool MouseDown(Form& form, int button, int shift, double x, double y);
  bool MouseMove(Form& form, int button, int shift, double x, double y);
  bool MouseUp(Form& form, int button, int shift, double x, double y);
  // Chooses a menu item: opening the menus above it raises their Click, top down, then the
  // item's Click. Refused for a separator or when the item or a menu above it is hidden or disabled.
  bool ChooseMenu(Menu& item);
  // Key events to the form's active control, or the form when none; with KeyPreview the
  // form's handler runs first and a key code (or KeyAscii) it sets to 0 goes no further.
  // These are the bare events: no text changes (Type does that), Tab moves no focus (Tab does).
  bool KeyDown(Form& form, int keyCode, int shift = 0);
  bool KeyUp(Form& form, int keyCode, int shift = 0);
  bool KeyPress(Form& form, int keyAscii);
  // Focuses the text box, then per character (UTF-8 text; "\b" deletes the last character):
  // KeyPress (form first with KeyPreview), then, unless KeyAscii became 0 or the box is
  // Locked, the text changes (raising Change). MaxLength is kept; Return adds a line break
  // only to a MultiLine box.
  bool Type(TextBox& box, const std::string& text);
  // Moves the focus: LostFocus on the old control, then GotFocus on this one.
  bool Focus(Control& control);
  // The Tab key: the focus moves to the next control in tab order (previous with backwards).
  bool Tab(Form& form, bool backwards = false);
  // Picks a list item (sets ListIndex, which raises Click).
  bool Select(ComboBox& box, int index);
  // Picks a tab (raises the tab strip's Click).
  bool SelectTab(TabStrip& strip, int tab);
  // Clicks a link of the page a browser shows, `href` as the page writes it (a path relative
  // to the page, or an absolute one); the browser decides whether it is followed.
  bool ClickLink(WebBrowser& browser, const std::string& href);
  // Drags the thumb: a slider raises Change, a scroll bar Change, when the value differs.
  bool UserSetValue(Slider& slider, int value);
  bool UserSetValue(ScrollBar& bar, int value);
  // The close box: Form_QueryUnload and Form_Unload with mode 0. Refused without a ControlBox.
  bool CloseBox(Form& form);
  const std::string& LastRefusal() const { return refusal_; }

  // The cursor, in screen pixels in the coordinates GetCursorPos reports.
  void SetCursorPos(int x, int y) { cursor_ = {x, y}; }
  // Where a point of a form's client area (twips) lies in those coordinates: the main form's
  // client area starts at (0, 48); other forms' at their Left/Top plus the frame.
  PointApi ClientToScreen(const Form& form, double x, double y) const;

  // ---- what the program did ----
  const std::vector<PrintedPage>& PrintedPages() const { return pages_; }
  int Beeps() const { return beeps_; }
  // The form shown modally on top, nullptr when none.
  Form* ModalForm() const { return modal_.empty() ? nullptr : modal_.back(); }

 protected:
  void OnEnd() override;

 private:
  class Peer;
  friend class Peer;

  struct TimerEntry {
    Timer* timer;
    int64_t due;
    uint64_t started;  // start order, breaking ties between timers due at the same time
  };
  // A receiver of mouse events: a control, or the form itself (control == nullptr), with a
  // point in its own coordinates. Tracked targets are cleared when their form or control goes.
  struct Target {
    Form* form = nullptr;
    Control* control = nullptr;
    double x = 0;
    double y = 0;
    const Control* via = nullptr;  // the hosted control whose surface `form` is
  };
  class Tracked;
  struct Scripted {
    DialogKind kind;
    std::optional<std::string> prompt;
    std::optional<std::string> title;
    std::function<void(DialogRecord&)> answer;
    std::string description;
  };
  enum class MouseEvent { Down, Move, Up };

  // timers
  TimerEntry* NextDue(int64_t limit);
  int FireDue();
  void Fire(TimerEntry& entry);
  // dialogs
  void Queue(DialogKind kind, std::optional<std::string> prompt, std::optional<std::string> title,
             std::function<void(DialogRecord&)> answer, std::string description);
  void ShowDialog(DialogRecord& record, const std::function<void(DialogRecord&)>& unscripted);
  // input
  bool ClickSequence(Control& control, bool twice);
  bool Deliver(const std::function<void()>& handler);
  bool Refuse(std::string reason);
  std::string Unreachable(const Form& form) const;
  std::string Unreachable(const Control& control) const;
  std::pair<double, double> ClientOrigin(const Form& form) const;  // screen twips
  Target HitTest(Form& form, double x, double y) const;
  static Target Via(const Control& host, Target target);
  Control* HitIn(const Form& form, const Control* container, double x, double y) const;
  Target TargetOf(Control& control, double x, double y) const;
  Target Retarget(const Target& to, const Form& from, double x, double y) const;
  bool Mouse(MouseEvent event, Target target, int button, int shift);
  bool MouseOnControl(MouseEvent event, Control& control, int button, int shift, double x, double y);
  void Raise(const Target& target, MouseEvent event, int button, int shift);
  void MoveCursor(const Form& form, double x, double y);
  bool DeliverKey(Form& form, int& key, const std::function<void(Form&, int&)>& toForm,
                  const std::function<void(Control&, int&)>& toControl, Control* only = nullptr);
  // forms and controls coming and going
  void PinMainForm(Form& form);
  void FormGone(Form& form);
  void ControlGone(Control& control);
  [[noreturn]] void Stalled(const std::string& why) const;

  VirtualClock clock_;
  std::vector<TimerEntry> timers_;
  std::vector<const Timer*> busy_;
  uint64_t started_ = 0;
  std::deque<std::function<void()>> posted_;
  class HeadlessWakeup;
  std::vector<HeadlessWakeup*> wakeups_;
  bool RunWakeups();
  int idleCalls_ = 0;
  int64_t waitedMs_ = 0;
  int stallIdleCalls_ = 100000;
  int64_t stallWaitMs_ = 10 * 60 * 1000;

  std::deque<Scripted> script_;
  std::vector<DialogRecord> dialogs_;
  std::vector<DialogRecord> unexpected_;
  std::vector<PrintedPage> pages_;
  int beeps_ = 0;

  std::vector<Form*> forms_;   // loaded forms (those with a peer)
  std::vector<Form*> modal_;   // modal forms, bottom to top
  std::vector<Target*> tracked_;
  Target capture_;
  int pressed_ = 0;            // buttons held down
  PointApi cursor_;
  std::string refusal_;
};

}  // namespace forms::headless
