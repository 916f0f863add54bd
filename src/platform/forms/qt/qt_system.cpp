#include "platform/forms/qt/qt_system.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QEventLoop>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPicture>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/forms/qt/qt_dialogs.h"
#include "platform/forms/qt/qt_form_view.h"
#include "platform/forms/qt/qt_session.h"

namespace forms {

using qtbackend::FormView;
using qtbackend::Px;

namespace {
constexpr int kCursorTop = 48;   // where the program expects the main form's client area
constexpr int kPrintSetupFlag = 64;

// An eventfd that any thread may write to (no allocation, no lock) and the window thread's
// event loop watches.
class QtWakeup final : public Wakeup {
 public:
  QtWakeup(QtSystem& system, std::function<void()> handler)
      : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), handler_(std::move(handler)) {
    if (fd_ < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this, &system] {
      uint64_t count = 0;
      if (::read(fd_, &count, sizeof count) != sizeof count) return;
      QtSystem::EventScope noInput(system, nullptr, std::nullopt);
      system.Deliver(handler_);
    });
  }
  ~QtWakeup() override {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
  }
  void Wake() override {
    const uint64_t one = 1;
    if (fd_ < 0) return;
    // A full counter (it never is) only means a wake-up is already pending.
    const ssize_t written = ::write(fd_, &one, sizeof one);
    (void)written;
  }

 private:
  int fd_;
  std::function<void()> handler_;
  std::unique_ptr<QSocketNotifier> notifier_;
};
}  // namespace

QtSystem::QtSystem() : timerOwner_(std::make_unique<QObject>()) {
  AppPath = QCoreApplication::applicationDirPath().toStdString();
  QApplication::setQuitOnLastWindowClosed(false);
  sessionSignals_ = std::make_unique<qtbackend::SessionSignals>([this] { Deliver([this] { RequestSessionEnd(); }); });
}

QtSystem::~QtSystem() {
  EndJob(false);
  for (auto& [timer, qt] : timers_) delete qt;
  timers_.clear();
  // Views whose forms unloaded wait for deferred deletion; let it happen while we exist.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// ---- forms ----

std::unique_ptr<FormPeer> QtSystem::CreatePeer(Form& form) { return std::make_unique<qtbackend::QtFormPeer>(*this, form); }

void QtSystem::PeerCreated(qtbackend::QtFormPeer& peer) { peers_[&peer.GetForm()] = &peer; }

void QtSystem::PeerGone(qtbackend::QtFormPeer& peer) {
  if (auto it = peers_.find(&peer.GetForm()); it != peers_.end() && it->second == &peer) peers_.erase(it);
}

void QtSystem::ViewCreated(FormView& view) {
  if (Form* f = view.GetForm()) views_[f] = &view;
}

void QtSystem::ViewGone(FormView& view) {
  for (auto it = views_.begin(); it != views_.end();) {
    if (it->second == &view) it = views_.erase(it);
    else ++it;
  }
}

FormView* QtSystem::MadeViewOf(const Form* form) const {
  auto it = views_.find(form);
  return it == views_.end() ? nullptr : it->second;
}

FormView* QtSystem::ViewOf(const Form* form) const {
  if (FormView* v = MadeViewOf(form)) return v;
  auto it = peers_.find(form);
  return it == peers_.end() || it->second->Made() ? nullptr : it->second->Make();
}

// A loaded form that is not the surface of a hosted control keeps the program running, made
// or not.
bool QtSystem::AnyWindowLoaded() const {
  for (auto& [form, peer] : peers_) {
    if (FormView* v = MadeViewOf(form)) {
      if (!v->IsEmbedded()) return true;
    } else if (!peer->Made() && !form->Host()) {
      return true;
    }
  }
  return false;
}

QWidget* QtSystem::WindowOf(const Form& form) const {
  FormView* v = ViewOf(&form);
  return v ? v->Window() : nullptr;
}

QWidget* QtSystem::CanvasOf(const Form& form) const {
  FormView* v = ViewOf(&form);
  return v ? v->Canvas() : nullptr;
}

QWidget* QtSystem::WidgetOf(const Control& control) const {
  FormView* v = ViewOf(&control.Parent());
  return v ? v->WidgetOf(control) : nullptr;
}

void QtSystem::MainMoved() {
  for (auto& [form, view] : views_) view->SyncPosition();
}

void QtSystem::CheckLastWindow() {
  // With no form loaded any more the program has nothing left to run.
  if (!AnyWindowLoaded() && runLoop_) runLoop_->quit();
}

QtSystem::EventScope::EventScope(QtSystem& system, QWidget* window, std::optional<QPoint> cursor)
    : system_(system), window_(system.eventWindow_), cursor_(system.eventCursor_) {
  system.eventWindow_ = window;
  system.eventCursor_ = cursor;
}

QtSystem::EventScope::~EventScope() {
  system_.eventWindow_ = window_;
  system_.eventCursor_ = cursor_;
}

void QtSystem::Deliver(const std::function<void()>& handler) {
  try {
    Dispatch(handler);
  } catch (...) {
    std::fputs("Stavelark: an event handler failed with an unknown exception\n", stderr);
  }
}

// ---- timers ----

void QtSystem::TimerChanged(Timer& timer, bool gone) {
  const bool runs = !gone && timer.Parent().IsLoaded() && timer.Enabled && timer.Interval > 0 && !timer.Resting();
  auto it = timers_.find(&timer);
  if (!runs) {
    if (it != timers_.end()) {
      it->second->stop();
      it->second->disconnect();
      it->second->deleteLater();  // it may be the one whose tick is running now
      timers_.erase(it);
    }
    if (gone) ticking_.erase(&timer);
    return;
  }
  QTimer* qt = nullptr;
  if (it == timers_.end()) {
    qt = new QTimer(timerOwner_.get());
    qt->setTimerType(Qt::PreciseTimer);
    Timer* t = &timer;
    QObject::connect(qt, &QTimer::timeout, qt, [this, t] {
      // A tick that comes while the same timer's handler still runs (it waits in DoEvents)
      // is dropped rather than nested.
      if (!timers_.count(t) || ticking_.count(t)) return;
      ticking_.insert(t);
      EventScope noInput(*this, nullptr, std::nullopt);
      Deliver([t] { t->RaiseTick(); });
      ticking_.erase(t);
    });
    timers_.emplace(&timer, qt);
  } else {
    qt = it->second;
  }
  qt->start(timer.Interval);  // a change of Interval or Enabled starts the count again
}

// ---- the event loop ----

void QtSystem::DoEvents() {
  if (Ending()) throw EndProgram{};
  eventCursor_.reset();  // the handler waits: its event's point is past
  // Takes what is pending; with nothing pending sleeps until the next event, timer tick or
  // wake-up. Every flag a loop around DoEvents waits on is changed by one of those.
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  if (Ending()) throw EndProgram{};
}

std::unique_ptr<Wakeup> QtSystem::MakeWakeup(std::function<void()> handler) {
  return std::make_unique<QtWakeup>(*this, std::move(handler));
}

void QtSystem::Run() {
  if (Ending()) return;
  if (!AnyWindowLoaded()) return;
  QEventLoop loop;
  runLoop_ = &loop;
  loop.exec();
  runLoop_ = nullptr;
}

void QtSystem::OnEnd() {
  // Modal dialogs first (their own loops end), then every window, then the main loop.
  for (int guard = 0; guard < 32; ++guard) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) break;
    if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
    else modal->hide();
  }
  for (auto& [form, view] : views_)
    if (QWidget* w = view->Window()) w->hide();
  for (auto& [timer, qt] : timers_) qt->stop();
  if (runLoop_) runLoop_->quit();
}

// ---- dialogs ----

QWidget* QtSystem::DialogParent() {
  // The user is asked now: the cursor of the event that led here is past.
  eventCursor_.reset();
  // The window whose input led here, so that the user comes back to it when the dialog ends,
  // even when no window is active between two dialogs.
  if (eventWindow_ && eventWindow_->isVisible()) return eventWindow_;
  if (QWidget* w = QApplication::activeWindow()) return w;
  if (MainForm)
    if (FormView* v = MadeViewOf(MainForm); v && v->Window() && v->Window()->isVisible()) return v->Window();
  return nullptr;
}

int QtSystem::MsgBox(const std::string& prompt, int buttons, const std::string& title) {
  // While the program ends no box is shown; the answer is the harmless one.
  if (Ending()) return (buttons & 7) == mb::YesNo ? mb::No : (buttons & 7) == mb::OkOnly ? mb::Ok : mb::Cancel;
  return qtbackend::ShowMessageBox(DialogParent(), prompt, buttons, title);
}

std::optional<std::string> QtSystem::InputBox(const std::string& prompt, const std::string& title,
                                              const std::string& defaultText, std::optional<double> x,
                                              std::optional<double> y) {
  if (Ending()) return std::nullopt;
  std::optional<QPoint> at;
  if (x && y) at = VirtualToGlobal(QPoint(Px(*x), Px(*y)));
  return qtbackend::ShowInputBox(DialogParent(), prompt, title, defaultText, at);
}

std::optional<FileDialogAnswer> QtSystem::FileDialog(const FileDialogRequest& request) {
  if (Ending()) return std::nullopt;
  return qtbackend::ShowFileDialog(DialogParent(), request);
}

std::optional<Color> QtSystem::ColorDialog(Color initial, int /*flags*/) {
  if (Ending()) return std::nullopt;
  return qtbackend::ShowColorDialog(DialogParent(), initial);
}

std::optional<PrinterAnswer> QtSystem::PrinterDialog(const PrinterRequest& r) {
  if (Ending()) return std::nullopt;
  QPrinter& printer = Printer();
  if (r.flags & kPrintSetupFlag) {
    QPageSetupDialog dialog(&printer, DialogParent());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return PrinterAnswer{r.copies, r.fromPage, r.toPage};
  }
  printer.setCopyCount(std::max(1, r.copies));
  QPrintDialog dialog(&printer, DialogParent());
  if (r.min > 0 && r.max >= r.min) dialog.setMinMax(r.min, r.max);
  if (r.fromPage > 0 && r.toPage >= r.fromPage) {
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    printer.setFromTo(r.fromPage, r.toPage);
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  PrinterAnswer a;
  a.copies = printer.copyCount();
  a.fromPage = printer.fromPage() > 0 ? printer.fromPage() : r.fromPage;
  a.toPage = printer.toPage() > 0 ? printer.toPage() : r.toPage;
  return a;
}

// ---- printing ----

QPrinter& QtSystem::Printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

bool QtSystem::StartPage() {
  QPrinter& printer = Printer();
  if (jobPainter_ && jobPainter_->isActive()) return printer.newPage();
  const QByteArray pdf = qgetenv("STAVELARK_PRINT_PDF");
  // With no print device Qt itself turns the printer into a PDF writer without a file; a PDF
  // the user chose in a print dialog has its name.
  const bool noPrinter =
      printer.outputFormat() == QPrinter::NativeFormat
          ? printer.printerName().isEmpty() || QPrinterInfo::availablePrinterNames().isEmpty()
          : printer.outputFileName().isEmpty();
  fallbackPdf_ = false;
  if (!pdf.isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromLocal8Bit(pdf));
  } else if (noPrinter) {
    // No printer: the pages go to a PDF among the user's documents.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty()) dir = QDir::homePath();
    QDir().mkpath(dir);
    // Named by the time; a second print within the same second does not replace the first.
    const QString stem = QStringLiteral("Stavelark print %1")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")));
    QString file = QDir(dir).filePath(stem + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(file); ++n) file = QDir(dir).filePath(stem + QStringLiteral(" (%1).pdf").arg(n));
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    fallbackPdf_ = true;
    fallbackError_.clear();
    // Made first (never over a file that is there), so that a folder that cannot take it is
    // told to the user with the reason, not only by Qt's warning on stderr.
    QFile probe(file);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      fallbackError_ = probe.errorString();
      lastOutput_ = file;
      return false;
    }
    probe.close();
  }
  lastOutput_ = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
  jobPainter_ = std::make_unique<QPainter>();
  if (!jobPainter_->begin(&printer)) {
    jobPainter_.reset();
    if (fallbackPdf_) {
      fallbackError_ = QStringLiteral("The file could not be written.");
      QFile::remove(lastOutput_);  // the empty file of the trial
    }
    return false;
  }
  return true;
}

void QtSystem::EndJob(bool tell) {
  bool written = false;
  if (jobPainter_) {
    written = jobPainter_->isActive() && jobPainter_->end();
    jobPainter_.reset();
  }
  if (!fallbackPdf_) return;
  fallbackPdf_ = false;
  // A PDF that was chosen for lack of a printer is not reused by the next job.
  if (printer_) printer_->setOutputFileName(QString());
  const bool failed = !fallbackError_.isEmpty();
  if (!written && !failed) return;  // nothing was printed
  const QString text =
      failed ? QStringLiteral("No printer is set up, and the pages could not be saved as a PDF file:\n\n%1\n\n%2")
                   .arg(lastOutput_, fallbackError_)
             : QStringLiteral("No printer is set up, so the pages were saved as a PDF file:\n\n%1").arg(lastOutput_);
  if (failed)
    std::fprintf(stderr, "Stavelark: no printer, and the PDF file %s could not be written: %s\n",
                 lastOutput_.toLocal8Bit().constData(), fallbackError_.toLocal8Bit().constData());
  else
    std::fprintf(stderr, "Stavelark: no printer; the pages went to %s\n", lastOutput_.toLocal8Bit().constData());
  fallbackError_.clear();
  if (!tell || Ending()) return;
  // Said without waiting for an answer: the print command has ended by now.
  auto* box = new QMessageBox(failed ? QMessageBox::Warning : QMessageBox::Information,
                              QString::fromStdString(AppTitle), text, QMessageBox::Ok, DialogParent());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

void QtSystem::BeginPrintJob() {
  EndJob();
  inJob_ = true;
}

void QtSystem::EndPrintJob() {
  inJob_ = false;
  EndJob();
}

void QtSystem::RenderClientArea(Form& form, QPainter& painter) {
  FormView* v = ViewOf(&form);
  if (!v || !v->Canvas()) return;
  // Qt renders widgets for a printer through a bitmap; recorded as a picture first, text
  // stays text and lines stay lines on any device.
  QPicture picture;
  {
    QPainter recorder(&picture);
    v->Canvas()->render(&recorder, QPoint(), QRegion(),
                        QWidget::RenderFlags(QWidget::DrawWindowBackground | QWidget::DrawChildren));
  }
  // A picture plays back scaled from its resolution to the device's; undo that, so that one
  // pixel of the form is one unit of the painter.
  painter.save();
  const QPaintDevice* device = painter.device();
  if (device && device->logicalDpiX() > 0 && device->logicalDpiY() > 0)
    painter.scale(static_cast<double>(picture.logicalDpiX()) / device->logicalDpiX(),
                  static_cast<double>(picture.logicalDpiY()) / device->logicalDpiY());
  painter.drawPicture(0, 0, picture);
  painter.restore();
}

void QtSystem::PrintForm(Form& form) {
  if (!form.IsLoaded()) form.Load();
  if (!ViewOf(&form)) return;
  if (!StartPage()) {
    EndJob();
    basic::Raise(482, "Printer error");
  }
  QPainter& p = *jobPainter_;
  p.save();
  // 96 pixels to the inch, whatever the printer's resolution.
  const double scale = Printer().resolution() / 96.0;
  p.scale(scale, scale);
  RenderClientArea(form, p);
  p.restore();
  if (!inJob_) EndJob();
}

// ---- screen and cursor ----

QPoint QtSystem::VirtualToGlobal(QPoint p) const {
  if (MainForm)
    if (FormView* v = MadeViewOf(MainForm); v && !v->IsEmbedded())
      return p + v->ClientGlobalOrigin() - QPoint(0, kCursorTop);
  return p;
}

QPoint QtSystem::GlobalToVirtual(QPoint p) const {
  if (MainForm)
    if (FormView* v = MadeViewOf(MainForm); v && !v->IsEmbedded())
      return p - v->ClientGlobalOrigin() + QPoint(0, kCursorTop);
  return p;
}

PointApi QtSystem::GetCursorPos() {
  const QPoint v = GlobalToVirtual(eventCursor_.value_or(QCursor::pos()));
  return PointApi{v.x(), v.y()};
}

double QtSystem::ScreenWidth() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() * TwipsPerPixel : 0;
}

double QtSystem::ScreenHeight() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() * TwipsPerPixel : 0;
}

void QtSystem::Beep() { QApplication::beep(); }

}  // namespace forms
