// The window system the forms run on. Two backends implement it: a headless one for
// tests (virtual clock, scripted dialogs and input) and the Qt one for the real program.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/basic/basic.h"
#include "platform/basic/clock.h"
#include "platform/forms/form.h"

namespace forms {

// Thrown by End() and by any DoEvents() after End(): unwinds every handler up to the
// outermost event dispatch, which swallows it. Not a std::exception, so no handler's
// error-skipping can swallow it.
struct EndProgram {};

// The window system's side of one form: it shows what the form and its controls hold.
class FormPeer {
 public:
  virtual ~FormPeer() = default;
  virtual void ControlCreated(Control&) {}
  virtual void ControlDestroyed(Control&) {}
  virtual void ControlChanged(Control&, const PropertyBase&) {}
  virtual void ZOrderChanged(Control&) {}
  // The control was moved into another container (SetContainer after the form was loaded).
  virtual void ContainerChanged(Control&) {}
  virtual void FormChanged(const PropertyBase&) {}
  virtual void Show(bool /*modal*/) {}
  virtual void Hide() {}
  virtual void Focus(Control* /*control or nullptr for the form*/) {}
  virtual void Refresh() {}
};

struct FileDialogRequest {
  bool save = false;
  std::string title;
  std::string filter;  // "Name|pattern|Name|pattern"
  int filterIndex = 1;
  std::string fileName;
  std::string initDir;
  std::string defaultExt;
  int flags = 0;
};
struct FileDialogAnswer {
  std::string fileName;  // full path
  int filterIndex = 1;
};

struct PrinterRequest {
  int flags = 0;
  int copies = 1;
  int fromPage = 0;
  int toPage = 0;
  int min = 0;
  int max = 0;
};
struct PrinterAnswer {
  int copies = 1;
  int fromPage = 0;
  int toPage = 0;
};

// Lets another thread have a handler run on the window thread.
class Wakeup {
 public:
  virtual ~Wakeup() = default;
  // Any thread; never allocates or waits. The handler runs once on the window thread, through
  // Dispatch, for all the Wake calls made since it last began.
  virtual void Wake() = 0;
};

class WindowSystem {
 public:
  WindowSystem();
  virtual ~WindowSystem();
  WindowSystem(const WindowSystem&) = delete;
  WindowSystem& operator=(const WindowSystem&) = delete;

  // ---- backend operations ----
  virtual std::unique_ptr<FormPeer> CreatePeer(Form& form) = 0;
  // A timer's Enabled or Interval changed (or it was created or is being destroyed, `gone`).
  virtual void TimerChanged(Timer& timer, bool gone) = 0;
  virtual const basic::Clock& Clock() const = 0;
  // Processes pending events once. Where nothing is pending it waits for the next event, timer
  // tick or wake-up (on the headless system the virtual clock moves on instead), so a loop
  // around it sleeps instead of spinning; every flag such a loop looks at is changed by one.
  virtual void DoEvents() = 0;
  // A wake-up whose handler runs on the window thread; it must not outlive the system.
  virtual std::unique_ptr<Wakeup> MakeWakeup(std::function<void()> handler) = 0;
  virtual int MsgBox(const std::string& prompt, int buttons, const std::string& title) = 0;
  // nullopt when cancelled. x, y: the box's top-left in twips, when given.
  virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                              const std::string& defaultText,
                                              std::optional<double> x, std::optional<double> y) = 0;
  virtual std::optional<FileDialogAnswer> FileDialog(const FileDialogRequest& request) = 0;
  virtual std::optional<Color> ColorDialog(Color initial, int flags) = 0;
  virtual std::optional<PrinterAnswer> PrinterDialog(const PrinterRequest& request) = 0;
  // Prints the form's client area as one page on the current printer.
  virtual void PrintForm(Form& form) = 0;
  // Between BeginPrintJob and EndPrintJob every PrintForm adds a page to one print job;
  // outside them each PrintForm is a job of its own. Backends without jobs ignore them.
  virtual void BeginPrintJob() {}
  virtual void EndPrintJob() {}
  // The cursor in screen pixels, in the coordinates the program's arithmetic assumes: the
  // main form's client area has its top-left corner at (0, 48); every form's Left and Top
  // are reported in the same coordinates (see MainForm).
  virtual PointApi GetCursorPos() = 0;
  virtual double ScreenWidth() const = 0;  // twips
  virtual double ScreenHeight() const = 0;
  virtual void Beep() = 0;
  // Runs the event loop until End (the real program); returns at once on the headless system.
  virtual void Run() = 0;

  // ---- services ----
  int MsgBoxText(const std::string& prompt, int buttons = mb::OkOnly) { return MsgBox(prompt, buttons, AppTitle); }
  // "" when cancelled, as the program expects.
  std::string InputBoxText(const std::string& prompt, const std::string& title = {},
                           const std::string& defaultText = {}, std::optional<double> x = {},
                           std::optional<double> y = {});

  // Ends the program: every window closes, no further handler runs.
  [[noreturn]] void End();
  bool Ending() const { return ending_; }

  // The session asks the program to end (the real backend hears of it through SIGTERM, SIGHUP
  // and SIGINT). The program says what then happens; no window should be shown by it.
  std::function<void()> SessionEndRequested;
  // Runs SessionEndRequested through Dispatch, or ends the program when there is none.
  void RequestSessionEnd();

  // Runs one event handler: EndProgram ends there; a RuntimeError nobody handled is
  // reported with a message box ("Run-time error 'n':" and its description) and the
  // program goes on. Backends deliver every event through this.
  void Dispatch(const std::function<void()>& handler);

  // The program's own facts.
  std::string AppPath;      // folder of the executable, no trailing separator
  std::string AppTitle = "Stavelark";
  std::string CommandLine;  // the command-line text (see CommandLineText)
  // The start-up form, the reference of GetCursorPos's coordinates.
  Form* MainForm = nullptr;

 protected:
  // A backend's own part of End (quit the event loop, close windows).
  virtual void OnEnd() {}

 private:
  bool ending_ = false;
};

// The command-line text of a program started with these arguments: every argument after the
// program's name, joined with single blanks, so a path the shell split at its blanks is whole again.
std::string CommandLineText(int argc, const char* const* argv);

// Pictures: from the program's compiled-in resources by number or name, or from a file.
// Missing ones raise a RuntimeError (326 resource not found, 53 file not found, 481 invalid picture).
Picture LoadResPicture(int id);
Picture LoadResPicture(const std::string& name);
Picture LoadPicture(const std::string& path);  // "" gives the empty picture
// An icon from the resources: "<name>.png" with every "<name><pixels>.png" there is as its
// other sizes (so an icon drawn in a new size is taken up as soon as it is among them).
Picture LoadResIcon(const std::string& name);

}  // namespace forms
