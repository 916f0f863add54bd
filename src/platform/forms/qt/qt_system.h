// The window system of the real program, on Qt 6 Widgets. Needs a QApplication made before it.
//
// Coordinates: geometry is in twips at 15 twips a pixel. Screen positions (GetCursorPos, every
// form's Left and Top) are reported in "virtual screen" pixels in which the main form's client
// area starts at (0, 48), wherever its window really is, so that the program's fixed-offset
// cursor arithmetic lands where the pointer is.
//
// Printing: PrintForm paints the form's client area at 96 dpi onto the session's QPrinter, one
// page each; BeginPrintJob/EndPrintJob gather several pages into one job. With the environment
// variable STAVELARK_PRINT_PDF set, pages go to that PDF file; with no printer they go to a PDF
// in the user's documents folder, whose path a message and stderr give when the job ends.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "platform/basic/clock.h"
#include "platform/forms/qt/qt_adapter.h"
#include "platform/forms/qt/qt_paint.h"
#include "platform/forms/window_system.h"

class QEventLoop;
class QPainter;
class QPrinter;
class QTimer;
class QWidget;

namespace forms {

namespace qtbackend {
class FormView;
class QtFormPeer;
class SessionSignals;
}

class QtSystem final : public WindowSystem {
 public:
  QtSystem();
  ~QtSystem() override;

  // ---- WindowSystem ----
  std::unique_ptr<FormPeer> CreatePeer(Form& form) override;
  void TimerChanged(Timer& timer, bool gone) override;
  const basic::Clock& Clock() const override { return clock_; }
  void DoEvents() override;
  std::unique_ptr<Wakeup> MakeWakeup(std::function<void()> handler) override;
  int MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText, std::optional<double> x,
                                      std::optional<double> y) override;
  std::optional<FileDialogAnswer> FileDialog(const FileDialogRequest& request) override;
  std::optional<Color> ColorDialog(Color initial, int flags) override;
  std::optional<PrinterAnswer> PrinterDialog(const PrinterRequest& request) override;
  void PrintForm(Form& form) override;
  void BeginPrintJob() override;
  void EndPrintJob() override;
  PointApi GetCursorPos() override;
  double ScreenWidth() const override;
  double ScreenHeight() const override;
  void Beep() override;
  void Run() override;

  // ---- Qt side ----
  // The widgets of a loaded form and of its windowed controls (nullptr when there is none).
  QWidget* WindowOf(const Form& form) const;
  QWidget* CanvasOf(const Form& form) const;
  QWidget* WidgetOf(const Control& control) const;
  // Paints a form's client area at 96 dpi (background, windowless and windowed controls).
  void RenderClientArea(Form& form, QPainter& painter);
  // The PDF file the last printed page went to; empty when it went to a printer.
  QString LastPrintOutput() const { return lastOutput_; }
  // Virtual screen pixels (see above) to and from global pixels.
  QPoint VirtualToGlobal(QPoint p) const;
  QPoint GlobalToVirtual(QPoint p) const;

  // ---- what the running handler was raised by ----
  // Set around the delivery of an event: the window whose input raised it and, for the mouse,
  // where the pointer was when the event happened (global pixels). While it holds, a dialog the
  // handler opens belongs to that window, and GetCursorPos reports the event's point, so a press
  // handled late still lands where the user pressed. A handler that waits (DoEvents, a dialog)
  // reads the live cursor from then on; timers and wake-ups raise handlers of no window.
  class EventScope {
   public:
    EventScope(QtSystem& system, QWidget* window, std::optional<QPoint> cursor);
    ~EventScope();
    EventScope(const EventScope&) = delete;
    EventScope& operator=(const EventScope&) = delete;

   private:
    QtSystem& system_;
    QPointer<QWidget> window_;
    std::optional<QPoint> cursor_;
  };
  std::optional<QPoint> EventCursor() const { return eventCursor_; }

  // ---- for the backend's own parts ----
  qtbackend::FontBook& Fonts() { return fonts_; }
  const qtbackend::AdapterTable& Adapters() const { return adapters_; }
  // Dispatch, with nothing at all let out into Qt's event loop.
  void Deliver(const std::function<void()>& handler);
  // The form's view, made now if it was not yet (nullptr for a form not loaded).
  qtbackend::FormView* ViewOf(const Form* form) const;
  // The form's view if it is made already.
  qtbackend::FormView* MadeViewOf(const Form* form) const;
  void PeerCreated(qtbackend::QtFormPeer& peer);
  void PeerGone(qtbackend::QtFormPeer& peer);
  void ViewCreated(qtbackend::FormView& view);
  void ViewGone(qtbackend::FormView& view);
  void MainMoved();  // the main form's window moved: every form's Left/Top changes
  void CheckLastWindow();

 protected:
  void OnEnd() override;

 private:
  QWidget* DialogParent();
  QPrinter& Printer();
  bool StartPage();
  // Ends the print job; a job that went to a PDF for lack of a printer says where it went
  // (on stderr, and in a message when `tell`).
  void EndJob(bool tell = true);

  basic::SteadyClock clock_;
  qtbackend::FontBook fonts_;
  qtbackend::AdapterTable adapters_;
  std::unordered_map<const Form*, qtbackend::FormView*> views_;
  std::unordered_map<const Form*, qtbackend::QtFormPeer*> peers_;  // every loaded form's
  bool AnyWindowLoaded() const;
  std::unique_ptr<QObject> timerOwner_;
  std::unordered_map<Timer*, QTimer*> timers_;
  std::unordered_set<Timer*> ticking_;
  QPointer<QEventLoop> runLoop_;

  std::unique_ptr<qtbackend::SessionSignals> sessionSignals_;
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> jobPainter_;
  bool inJob_ = false;
  bool fallbackPdf_ = false;  // the job goes to a PDF among the documents: there is no printer
  QString fallbackError_;     // why that PDF could not be written ("" when it could)
  QString lastOutput_;

  QPointer<QWidget> eventWindow_;
  std::optional<QPoint> eventCursor_;
};

}  // namespace forms
