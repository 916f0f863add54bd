// The Qt backend under the offscreen platform: what a form shows, how input becomes form
// events, the cursor's virtual screen, timers and DoEvents, printing to a PDF.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPixmap>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextStream>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/forms/forms.h"
#include "platform/forms/qt/qt_dialogs.h"
#include "platform/forms/qt/qt_keys.h"
#include "platform/forms/qt/qt_paint.h"
#include "platform/forms/qt/qt_system.h"
#include "support/qt_input.h"

namespace {

using forms::RGB;
using forms::qtbackend::Px;

std::string Fmt(const char* what, int b, int s, double x, double y) {
  return std::string(what) + " " + std::to_string(b) + " " + std::to_string(s) + " " +
         std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y));
}

class LogForm : public forms::Form {
 public:
  using Form::Form;
  std::vector<std::string> log;
  void Form_MouseDown(int b, int s, double x, double y) override { log.push_back(Fmt("FormDown", b, s, x, y)); }
  void Form_MouseUp(int b, int s, double x, double y) override { log.push_back(Fmt("FormUp", b, s, x, y)); }
  void Form_Click() override { log.push_back("FormClick"); }
  void Form_DblClick() override { log.push_back("FormDblClick"); }
  void Form_KeyDown(int& k, int s) override { log.push_back("FormKeyDown " + std::to_string(k) + " " + std::to_string(s)); }
  void Form_KeyPress(int& k) override { log.push_back("FormKeyPress " + std::to_string(k)); }
};

// Logs a control's mouse events to `log` as Fmt writes them, its clicks by name.
void LogMouse(forms::Control& c, std::vector<std::string>& log) {
  c.MouseDown = [&log](int b, int s, double x, double y) { log.push_back(Fmt("Down", b, s, x, y)); };
  c.MouseMove = [&log](int b, int s, double x, double y) { log.push_back(Fmt("Move", b, s, x, y)); };
  c.MouseUp = [&log](int b, int s, double x, double y) { log.push_back(Fmt("Up", b, s, x, y)); };
  c.Click = [&log] { log.push_back("Click"); };
  c.DblClick = [&log] { log.push_back("DblClick"); };
}

class QtBackendTest : public ::testing::Test {
 protected:
  QtBackendTest() {
    if (!QApplication::instance()) app_ = std::make_unique<QApplication>(argc_, argv_);
    system_ = std::make_unique<forms::QtSystem>();
  }
  ~QtBackendTest() override {
    forms_.clear();  // forms go before their window system
    system_.reset();
  }

  LogForm& NewForm(const std::string& name, double clientW = 6000, double clientH = 4500) {
    forms_.push_back(std::make_unique<LogForm>(*system_, name));
    LogForm& f = *forms_.back();
    f.Caption = name;
    f.BackColor = 0xFFFFFF;
    f.SetClientSize(clientW, clientH);
    return f;
  }
  static void Pump(int ms = 30) { QTest::qWait(ms); }
  QImage Grab(forms::Form& f) { return system_->CanvasOf(f)->grab().toImage(); }
  static QColor At(const QImage& img, int x, int y) { return img.pixelColor(x, y); }
  static QColor Q(forms::Color c) { return forms::qtbackend::ToQColor(c); }
  // A key typed into the widget of the form's active control.
  void Key(forms::Form& f, Qt::Key k, Qt::KeyboardModifiers m = {}) {
    QTest::keyClick(system_->WidgetOf(*static_cast<forms::Control*>(f.ActiveControl())), k, m);
  }
  // Prints the form into `pdf`, as the environment variable asks.
  static void PrintTo(forms::Form& f, const QString& pdf) {
    qputenv("STAVELARK_PRINT_PDF", pdf.toLocal8Bit());
    f.PrintForm();
    qunsetenv("STAVELARK_PRINT_PDF");
  }
  // Runs `print` with the home folder (and its settings) at `home`: what it wrote on stderr.
  template <class Print>
  static std::string WithHomeAt(const QString& home, Print print) {
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home + "/.config").toLocal8Bit());
    ::testing::internal::CaptureStderr();
    print();
    const std::string err = ::testing::internal::GetCapturedStderr();
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    return err;
  }

  int argc_ = 1;
  char arg0_[16] = "qt_backend_test";
  char* argv_[2] = {arg0_, nullptr};
  std::unique_ptr<QApplication> app_;
  std::unique_ptr<forms::QtSystem> system_;
  std::vector<std::unique_ptr<LogForm>> forms_;
};

// A form with one control of every kind at known places (twips; 15 twips a pixel).
struct Gallery {
  explicit Gallery(LogForm& f)
      : form(f),
        line(f.Add<forms::Line>("Line1")),
        rect(f.Add<forms::Shape>("Rect")),
        circle(f.Add<forms::Shape>("Circle")),
        hello(f.Add<forms::Label>("Hello")),
        world(f.Add<forms::Label>("World")),
        image(f.Add<forms::Image>("Image1")),
        key(f.Add<forms::CommandButton>("Key")),
        text(f.Add<forms::TextBox>("Text1")),
        check(f.Add<forms::CheckBox>("Check1")),
        option(f.Add<forms::OptionButton>("Option1")),
        combo(f.Add<forms::ComboBox>("Combo1")),
        slider(f.Add<forms::Slider>("Slider1")),
        hscroll(f.Add<forms::HScrollBar>("HScroll1")),
        frame(f.Add<forms::Frame>("Frame1")),
        inFrame(f.Add<forms::Label>("InFrame")),
        picture(f.Add<forms::PictureBox>("Picture1")),
        inPicture(f.Add<forms::Shape>("InPicture")),
        tabs(f.Add<forms::TabStrip>("Tabs")),
        page0(f.Add<forms::Shape>("Page0")),
        page1(f.Add<forms::Shape>("Page1")),
        browser(f.Add<forms::WebBrowser>("Browser")),
        host(f.Add<forms::HostedControl>("Host")) {
    line.X1 = 150, line.Y1 = 150, line.X2 = 1500, line.Y2 = 150;  // (10,10)-(100,10)
    line.BorderColor = RGB(255, 0, 0);
    line.BorderWidth = 3;
    rect.Move(300, 600, 1500, 750);  // (20,40) 100x50
    rect.FillStyle = forms::FillStyle::Solid;
    rect.FillColor = RGB(0, 0, 255);
    circle.Move(3000, 600, 1500, 750);  // (200,40) 100x50: a circle of 50 centred at (250,65)
    circle.ShapeKind = forms::ShapeKind::Circle;
    circle.FillStyle = forms::FillStyle::Solid;
    circle.FillColor = RGB(0, 160, 0);
    hello.Move(300, 1800, 1800, 450);  // (20,120) 120x30
    hello.Caption = "Hello";
    hello.BackColor = RGB(255, 255, 0);
    world.Move(3000, 1800, 1200, 300);  // (200,120)
    world.Caption = "World";
    world.BackStyle = forms::BackStyle::Transparent;
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    image.Picture = forms::Picture(std::make_shared<const QImage>(img), "magenta");
    image.Move(4500, 2700, 150, 150);  // (300,180)
    key.Move(4500, 150, 900, 600);  // (300,10) 60x40
    key.Style = forms::ButtonStyle::Graphical;
    key.BackColor = RGB(0, 128, 255);
    text.Move(300, 2700, 1500, 330);
    text.Text = "typed text";
    check.Move(300, 3150, 1500, 300);
    check.Caption = "Check";
    option.Move(300, 3450, 1500, 300);
    option.Caption = "Option";
    combo.Move(300, 3900, 1500, 330);
    combo.AddItem("one");
    combo.AddItem("two");
    slider.Move(1950, 3900, 1500, 450);
    hscroll.Move(1950, 3450, 1500, 255);
    frame.Move(4500, 1500, 1350, 1200);  // (300,100) 90x80
    frame.Caption = "Frame";
    inFrame.SetContainer(&frame);
    inFrame.Move(150, 300, 600, 300);  // canvas (310,120) 40x20
    inFrame.BackColor = RGB(0, 255, 255);
    picture.Move(3000, 3000, 1200, 900);  // (200,200) 80x60
    picture.BorderStyle = 0;
    inPicture.SetContainer(&picture);
    inPicture.Move(150, 150, 600, 300);  // canvas (210,210) 40x20
    inPicture.FillStyle = forms::FillStyle::Solid;
    inPicture.FillColor = RGB(255, 0, 0);
    tabs.Move(4500, 3000, 1350, 1200);  // (300,200) 90x80
    tabs.TabCaptions = {"One", "Two"};
    page0.SetContainer(&tabs, 0);
    page1.SetContainer(&tabs, 1);
    for (forms::Shape* s : {&page0, &page1}) {
      s->Move(150, 600, 600, 300);  // canvas (310,240) 40x20
      s->FillStyle = forms::FillStyle::Solid;
    }
    page0.FillColor = RGB(0, 0, 128);
    page1.FillColor = RGB(128, 128, 0);
    browser.Move(1950, 600, 900, 900);
    host.Move(1500, 3600, 900, 600);  // (100,240) 60x40
  }
  LogForm& form;
  forms::Line& line;
  forms::Shape& rect;
  forms::Shape& circle;
  forms::Label& hello;
  forms::Label& world;
  forms::Image& image;
  forms::CommandButton& key;
  forms::TextBox& text;
  forms::CheckBox& check;
  forms::OptionButton& option;
  forms::ComboBox& combo;
  forms::Slider& slider;
  forms::HScrollBar& hscroll;
  forms::Frame& frame;
  forms::Label& inFrame;
  forms::PictureBox& picture;
  forms::Shape& inPicture;
  forms::TabStrip& tabs;
  forms::Shape& page0;
  forms::Shape& page1;
  forms::WebBrowser& browser;
  forms::HostedControl& host;
};

int DarkPixels(const QImage& img, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += qGray(img.pixel(x, y)) < 100;
  return n;
}

TEST_F(QtBackendTest, FormShowsEveryKindOfControlWhereItsTwipsSay) {
  LogForm& f = NewForm("Gallery");
  Gallery g(f);
  LogForm& surface = NewForm("Surface", 900, 600);
  surface.BorderStyle = 0;
  surface.BackColor = RGB(128, 0, 128);
  g.host.SetSurface(&surface);
  f.Show();
  surface.Load();
  Pump();
  const QImage img = Grab(f);
  ASSERT_EQ(img.size(), QSize(400, 300));

  const QColor red(255, 0, 0), white(255, 255, 255), black(0, 0, 0), purple(128, 0, 128);
  const struct {
    int x, y;
    QColor colour;
  } pixels[] = {
      // A 3-pixel red line along y = 10.
      {50, 10, red}, {50, 9, red}, {50, 11, red}, {50, 14, white},
      // A blue rectangle with a black border at (20,40) 100x50.
      {70, 65, QColor(0, 0, 255)}, {20, 40, black}, {119, 89, black}, {19, 40, white}, {120, 65, white},
      // A circle: its centre filled, the corners of its box not.
      {250, 65, QColor(0, 160, 0)}, {228, 43, white}, {205, 65, white},
      // An opaque yellow label; the image at its own size; the graphical button in its colour.
      {135, 145, QColor(255, 255, 0)}, {305, 185, QColor(255, 0, 255)}, {330, 30, QColor(0, 128, 255)},
      // Windowless controls inside containers are painted by them, at container coordinates.
      {320, 130, QColor(0, 255, 255)}, {220, 220, red},
      // Only the current tab page shows; the hosted control shows its surface form at its place.
      {320, 250, QColor(0, 0, 128)}, {105, 245, purple}, {155, 275, purple}};
  for (const auto& p : pixels) EXPECT_EQ(At(img, p.x, p.y), p.colour) << "at (" << p.x << "," << p.y << ")";
  EXPECT_NE(At(img, 95, 245), purple);
  // The labels' captions in black, the transparent one's too.
  EXPECT_GT(DarkPixels(img, QRect(20, 120, 60, 16)), 15);
  EXPECT_GT(DarkPixels(img, QRect(200, 120, 60, 16)), 15);
  g.tabs.Tab = 1;
  EXPECT_EQ(At(Grab(f), 320, 250), QColor(128, 128, 0));

  // Real widgets for the windowed controls, placed in pixels.
  auto* edit = qobject_cast<QLineEdit*>(system_->WidgetOf(g.text));
  ASSERT_TRUE(edit);
  EXPECT_EQ(edit->text(), "typed text");
  EXPECT_EQ(edit->geometry(), QRect(20, 180, 100, 22));
  EXPECT_TRUE(qobject_cast<QCheckBox*>(system_->WidgetOf(g.check)));
  auto* combo = qobject_cast<QComboBox*>(system_->WidgetOf(g.combo));
  ASSERT_TRUE(combo);
  EXPECT_EQ(combo->count(), 2);
  EXPECT_TRUE(qobject_cast<QSlider*>(system_->WidgetOf(g.slider)));
  EXPECT_TRUE(qobject_cast<QTextBrowser*>(system_->WidgetOf(g.browser)));
}

TEST_F(QtBackendTest, ChangedWindowlessControlRepaintsOnlyItsOldAndNewPlace) {
  LogForm& f = NewForm("Repaint");
  auto& glyph = f.Add<forms::Shape>("Glyph");
  glyph.Move(150, 150, 300, 300);  // (10,10) 20x20
  glyph.FillStyle = forms::FillStyle::Solid;
  glyph.FillColor = RGB(0, 0, 0);
  f.Show();
  Pump();
  QWidget* canvas = system_->CanvasOf(f);
  struct Spy : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
      return false;
    }
  } spy;
  canvas->installEventFilter(&spy);
  glyph.Left = 3000;  // to (200,10)
  Pump();
  canvas->removeEventFilter(&spy);
  EXPECT_TRUE(spy.painted.contains(QRect(10, 10, 20, 20)));
  EXPECT_TRUE(spy.painted.contains(QRect(200, 10, 20, 20)));
  EXPECT_FALSE(spy.painted.contains(QPoint(100, 200)));
  const QImage img = Grab(f);
  EXPECT_EQ(At(img, 15, 15), QColor(255, 255, 255));
  EXPECT_EQ(At(img, 205, 15), QColor(0, 0, 0));
}

TEST_F(QtBackendTest, MouseGoesToLabelsAndThroughShapesToTheForm) {
  LogForm& f = NewForm("Mouse");
  auto& shape = f.Add<forms::Shape>("Shape1");
  shape.Move(0, 0, 3000, 1500);
  auto& label = f.Add<forms::Label>("Label1");
  label.Move(1500, 3000, 1500, 450);  // (100,200) 100x30
  std::vector<std::string> labelLog;
  LogMouse(label, labelLog);
  f.Show();
  Pump();
  QWidget* canvas = system_->CanvasOf(f);

  QTest::mouseClick(canvas, Qt::LeftButton, Qt::ShiftModifier, QPoint(40, 30));
  EXPECT_THAT(f.log, ::testing::ElementsAre("FormDown 1 1 600 450", "FormUp 1 1 600 450", "FormClick"));

  QTest::mouseClick(canvas, Qt::RightButton, {}, QPoint(110, 210));
  EXPECT_THAT(labelLog, ::testing::ElementsAre("Down 2 0 150 150", "Up 2 0 150 150", "Click"));

  // While the button is held the label keeps the mouse, even away from it; no click then.
  labelLog.clear();
  f.log.clear();
  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(105, 205));
  stavelark_test::MoveHeld(canvas, {300, 100});
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(300, 100));
  EXPECT_THAT(labelLog, ::testing::ElementsAre("Down 1 0 75 75", "Move 1 0 3000 -1500", "Up 1 0 3000 -1500"));
  EXPECT_TRUE(f.log.empty());
}

// A double click is one Click and then DblClick, on windowless labels and images, on containers
// and on the form, whichever way Qt hands over the second press.
TEST_F(QtBackendTest, ADoubleClickRaisesClickOnceThenDblClick) {
  LogForm& f = NewForm("Double");
  auto& label = f.Add<forms::Label>("Label1");
  label.Move(1500, 3000, 1500, 450);  // (100,200)
  auto& image = f.Add<forms::Image>("Image1");
  image.Move(0, 0, 360, 360);  // (0,0) 24x24
  auto& picture = f.Add<forms::PictureBox>("Picture1");
  picture.Move(3000, 0, 900, 900);  // (200,0)
  for (forms::Control* c : std::initializer_list<forms::Control*>{&label, &image, &picture}) LogMouse(*c, f.log);
  f.Show();
  Pump();
  QWidget* canvas = system_->CanvasOf(f);
  QWidget* box = system_->WidgetOf(picture);
  ASSERT_NE(box, nullptr);
  struct Case {
    const char* what;
    QWidget* widget;
    QPoint at;
    std::string raiser;  // how the events are logged: "Form" for the form's own
  };
  for (const Case& c : {Case{"label", canvas, {110, 210}, ""}, Case{"image", canvas, {5, 5}, ""},
                        Case{"picture box", box, {5, 5}, ""}, Case{"form", canvas, {300, 250}, "Form"}}) {
    for (const bool secondPress : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (secondPress ? " with a second press" : ""));
      f.log.clear();
      using namespace stavelark_test;
      Press(c.widget, c.at);
      Release(c.widget, c.at);
      if (secondPress) Press(c.widget, c.at);
      SendMouse(c.widget, QEvent::MouseButtonDblClick, c.at, Qt::LeftButton);
      Release(c.widget, c.at);
      std::vector<std::string> clicks;
      for (const std::string& e : f.log)
        if (e.find("Click") != std::string::npos) clicks.push_back(e);
      EXPECT_THAT(clicks, ::testing::ElementsAre(c.raiser + "Click", c.raiser + "DblClick"));
    }
  }
}

TEST_F(QtBackendTest, KeysBecomeVirtualKeyCodesAndKeyAsciiEditsTheText) {
  LogForm& f = NewForm("Keys");
  auto& text = f.Add<forms::TextBox>("Text1");
  text.Move(150, 150, 3000, 330);
  std::vector<std::string> log;
  text.KeyDown = [&](int& k, int) { log.push_back("KeyDown " + std::to_string(k)); };
  text.KeyPress = [&](int& a) {
    log.push_back("KeyPress " + std::to_string(a));
    if (a == 'a') a = 'b';  // changed
    if (a == 'x') a = 0;    // cancelled
  };
  f.KeyPreview = true;
  f.Show();
  Pump();
  auto* edit = qobject_cast<QLineEdit*>(system_->WidgetOf(text));
  ASSERT_TRUE(edit);
  EXPECT_EQ(f.ActiveControl(), &text);  // the first control in tab order has the focus
  QTest::keyClicks(edit, "axc");
  EXPECT_EQ(text.Text(), "bc");
  EXPECT_THAT(log, ::testing::ElementsAre("KeyDown 65", "KeyPress 97", "KeyDown 88", "KeyPress 120", "KeyDown 67",
                                          "KeyPress 99"));
  // The form previews each key before the control.
  EXPECT_THAT(f.log, ::testing::Contains("FormKeyDown 65 0"));
  EXPECT_EQ(f.log.front(), "FormKeyDown 65 0");

  // A form with nothing to focus takes the keys itself.
  LogForm& bare = NewForm("Bare");
  bare.Show();
  Pump();
  QTest::keyClick(system_->WindowOf(bare), Qt::Key_F5);
  QTest::keyClick(system_->WindowOf(bare), Qt::Key_2, Qt::ShiftModifier);
  EXPECT_THAT(bare.log, ::testing::ElementsAre("FormKeyDown 116 0", "FormKeyDown 16 1", "FormKeyDown 50 1",
                                               "FormKeyPress 50"));
}

TEST_F(QtBackendTest, TabMovesTheFocusInTabIndexOrder) {
  LogForm& f = NewForm("Focus");
  auto& a = f.Add<forms::TextBox>("A");
  auto& b = f.Add<forms::TextBox>("B");
  auto& c = f.Add<forms::TextBox>("C");
  a.Move(150, 150, 1500, 330);
  b.Move(150, 600, 1500, 330);
  c.Move(150, 1050, 1500, 330);
  a.TabIndex = 2;
  b.TabIndex = 0;
  c.TabIndex = 1;
  std::vector<std::string> log;
  for (forms::TextBox* t : {&a, &b, &c}) {
    t->GotFocus = [&log, t] { log.push_back("Got " + t->Name()); };
    t->LostFocus = [&log, t] { log.push_back("Lost " + t->Name()); };
  }
  f.Show();
  Pump();
  EXPECT_EQ(f.ActiveControl(), &b);
  for (const auto& [key, then] : {std::pair{Qt::Key_Tab, &c}, {Qt::Key_Tab, &a}, {Qt::Key_Backtab, &c}}) {
    Key(f, key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    EXPECT_EQ(f.ActiveControl(), then);
  }
  EXPECT_THAT(log, ::testing::ElementsAre("Got B", "Lost B", "Got C", "Lost C", "Got A", "Lost A", "Got C"));
  EXPECT_TRUE(system_->WidgetOf(c)->hasFocus());
  // A click gives a control the focus too.
  QTest::mouseClick(system_->WidgetOf(a), Qt::LeftButton);
  EXPECT_EQ(f.ActiveControl(), &a);
}

// A group of option buttons is one tab stop, entered at its checked option; the arrows move round
// the group and check the option they come to; the focused option shows its focus mark.
TEST_F(QtBackendTest, ArrowsMoveAndCheckWithinAnOptionGroupThatTabEntersAtItsChecked) {
  LogForm& f = NewForm("Set Octave");
  auto& frame = f.Add<forms::Frame>("Frame1");
  frame.Move(150, 150, 3000, 2000);
  forms::ControlArray<forms::OptionButton> octave(f, "OptionOctave");
  for (int i = 0; i < 4; ++i) {
    forms::OptionButton& o = i == 0 ? octave.Design(0) : octave.Load(i);
    o.SetContainer(&frame);
    o.Move(150, 300 + 360 * i, 1500, 300);
    o.Caption = std::to_string(i + 1);
    o.TabIndex = i;
    o.Visible = true;
  }
  auto& ok = f.Add<forms::CommandButton>("cmdOK");
  ok.Move(3300, 150, 1200, 375);
  ok.TabIndex = 4;
  std::vector<int> clicks;
  octave.Click = [&](int i) { clicks.push_back(i); };
  octave[2].Value = true;
  clicks.clear();
  f.Show();
  Pump();
  EXPECT_EQ(f.ActiveControl(), &octave[2]) << "the focus starts on the checked option";
  Key(f, Qt::Key_Down);
  Key(f, Qt::Key_Right);  // round to the first
  Key(f, Qt::Key_Up);     // and back to the last
  EXPECT_THAT(clicks, ::testing::ElementsAre(3, 0, 3));
  EXPECT_EQ(f.ActiveControl(), &octave[3]);
  EXPECT_TRUE(octave[3].Value());
  EXPECT_FALSE(octave[2].Value());
  QWidget* focused = system_->WidgetOf(octave[3]);
  EXPECT_TRUE(focused->hasFocus());
  const QImage marked = focused->grab().toImage();
  Key(f, Qt::Key_Tab);
  EXPECT_EQ(f.ActiveControl(), &ok) << "the other options are no tab stops";
  EXPECT_TRUE(focused->grab().toImage() != marked) << "the focused option shows a focus mark";
  Key(f, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(f.ActiveControl(), &octave[3]);
}

// A browser shows local pages and follows their history; a page loads pictures and style sheets
// only from its own folder, as its links lead only there.
TEST_F(QtBackendTest, WebBrowserShowsLocalPagesAndLoadsResourcesOnlyFromTheirFolder) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  auto write = [&](const QString& name, const QString& text) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
  };
  write("a.html", "<html><body><p>First page</p><a href=\"b.html\">next</a></body></html>");
  write("b.html", "<html><body><p>Second page</p></body></html>");
  for (const char* folder : {"pages", "pages/sub", "outside"}) ASSERT_TRUE(QDir(dir.path()).mkpath(folder));
  QImage picture(4, 4, QImage::Format_RGB32);
  picture.fill(Qt::red);
  for (const char* file : {"pages/in.png", "pages/sub/pic.png", "outside/pic.png"})
    ASSERT_TRUE(picture.save(dir.filePath(file)));
  for (const char* file : {"pages/in.css", "outside/style.css"}) write(file, "p { color: red }");
  ASSERT_TRUE(QFile::link(dir.filePath("outside/pic.png"), dir.filePath("pages/link.png")));
  const QString outside = QUrl::fromLocalFile(dir.filePath("outside/pic.png")).toString();
  write("pages/page.html", "<html><body><img src=\"in.png\"><img src=\"../outside/pic.png\"><img src=\"" + outside +
                               "\"><img src=\"sub/pic.png\"><img src=\"link.png\"></body></html>");

  LogForm& f = NewForm("Help");
  auto& browser = f.Add<forms::WebBrowser>("Browser");
  browser.Move(0, 0, 6000, 4500);
  f.Show();
  browser.Navigate2(dir.filePath("a.html").toStdString());
  auto* view = qobject_cast<QTextBrowser*>(system_->WidgetOf(browser));
  ASSERT_TRUE(view);
  EXPECT_TRUE(view->toPlainText().contains("First page"));
  emit view->anchorClicked(QUrl("b.html"));  // the user follows the link
  EXPECT_EQ(browser.History().size(), 2u);
  EXPECT_EQ(browser.LocationURL(), dir.filePath("b.html").toStdString());
  EXPECT_TRUE(view->toPlainText().contains("Second page"));
  browser.GoBack();
  EXPECT_TRUE(view->toPlainText().contains("First page"));

  browser.Navigate2(dir.filePath("pages/page.html").toStdString());
  const std::pair<int, QString> loaded[] = {{QTextDocument::ImageResource, "in.png"},
                                            {QTextDocument::StyleSheetResource, "in.css"}};
  const std::pair<int, QString> refused[] = {{QTextDocument::ImageResource, "../outside/pic.png"},
                                             {QTextDocument::ImageResource, outside},
                                             {QTextDocument::ImageResource, "sub/pic.png"},
                                             {QTextDocument::ImageResource, "link.png"},
                                             {QTextDocument::StyleSheetResource, "../outside/style.css"}};
  // The document keeps a picture it could read as an image, anything else as its bytes.
  auto has = [view](int type, const QString& name) {
    const QVariant v = view->document()->resource(type, QUrl(name));
    if (v.typeId() == QMetaType::QImage) return !v.value<QImage>().isNull();
    if (v.typeId() == QMetaType::QPixmap) return !v.value<QPixmap>().isNull();
    return !v.toByteArray().isEmpty();
  };
  for (const auto& [type, name] : loaded) EXPECT_TRUE(has(type, name)) << name.toStdString();
  for (const auto& [type, name] : refused) EXPECT_FALSE(has(type, name)) << name.toStdString();
}

TEST(QtKeys, QtKeysMapToVirtualKeyCodes) {
  const Qt::KeyboardModifiers none, shift = Qt::ShiftModifier, pad = Qt::KeypadModifier;
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int code;
  } cases[] = {{Qt::Key_0, none, 48}, {Qt::Key_9, none, 57}, {Qt::Key_A, none, 65}, {Qt::Key_Z, shift, 90},
               {Qt::Key_F1, none, 112}, {Qt::Key_F12, none, 123}, {Qt::Key_Escape, none, 27},
               {Qt::Key_Backspace, none, 8}, {Qt::Key_QuoteLeft, none, 192}, {Qt::Key_AsciiTilde, shift, 192},
               {Qt::Key_Minus, none, 189}, {Qt::Key_Underscore, shift, 189}, {Qt::Key_Equal, none, 187},
               {Qt::Key_Plus, shift, 187}, {Qt::Key_Exclam, shift, 49}, {Qt::Key_Left, none, 37},
               {Qt::Key_Down, none, 40}, {Qt::Key_Return, none, 13}, {Qt::Key_Enter, pad, 13}, {Qt::Key_0, pad, 96},
               {Qt::Key_9, pad, 105}, {Qt::Key_Plus, pad, 107}, {Qt::Key_Space, none, 32}, {Qt::Key_unknown, none, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(forms::qtbackend::VirtualKey(c.key, c.modifiers), c.code)
        << std::hex << "Qt key 0x" << c.key << ", modifiers 0x" << c.modifiers.toInt();
}

TEST_F(QtBackendTest, UserInputOnWidgetsRaisesTheRightEvents) {
  LogForm& f = NewForm("Widgets");
  auto& slider = f.Add<forms::Slider>("Slider1");
  slider.Move(150, 150, 3000, 450);
  int changes = 0;
  slider.Change = [&] { ++changes; };
  auto& a = f.Add<forms::OptionButton>("A");
  auto& b = f.Add<forms::OptionButton>("B");
  a.Move(150, 900, 1500, 300);
  b.Move(150, 1350, 1500, 300);
  a.Value = true;
  auto& combo = f.Add<forms::ComboBox>("Combo1");
  combo.Style = forms::ComboStyle::DropDownList;
  combo.Move(150, 1800, 1500, 330);
  combo.AddItem("x");
  combo.AddItem("y");
  int comboClicks = 0;
  combo.Click = [&] { ++comboClicks; };
  auto& key = f.Add<forms::CommandButton>("Key");
  key.Move(3000, 900, 900, 600);
  int keyClicks = 0;
  key.Click = [&] { ++keyClicks; };
  f.Show();
  Pump();

  slider.Value = 5;  // from code: no Change
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(qobject_cast<QSlider*>(system_->WidgetOf(slider))->value(), 5);
  QTest::keyClick(system_->WidgetOf(slider), Qt::Key_Right);
  EXPECT_EQ(slider.Value(), 6);
  EXPECT_EQ(changes, 1);

  auto* rb = qobject_cast<QRadioButton*>(system_->WidgetOf(b));
  QTest::mouseClick(rb, Qt::LeftButton, {}, QPoint(8, rb->height() / 2));
  EXPECT_TRUE(b.Value());
  EXPECT_FALSE(a.Value());
  EXPECT_FALSE(qobject_cast<QRadioButton*>(system_->WidgetOf(a))->isChecked());
  QTest::mouseClick(rb, Qt::LeftButton, {}, QPoint(8, rb->height() / 2));  // clicking it again keeps it on
  EXPECT_TRUE(b.Value());
  EXPECT_TRUE(rb->isChecked());

  auto* cb = qobject_cast<QComboBox*>(system_->WidgetOf(combo));
  emit cb->activated(1);
  EXPECT_EQ(combo.ListIndex(), 1);
  EXPECT_EQ(combo.Text(), "y");
  EXPECT_EQ(comboClicks, 1);

  QTest::mouseClick(system_->WidgetOf(key), Qt::LeftButton);
  EXPECT_EQ(keyClicks, 1);
}

TEST_F(QtBackendTest, SliderHandlesAndScrollThumbsDragWithTheirEvents) {
  LogForm& f = NewForm("Drag");
  auto& slider = f.Add<forms::Slider>("Slider1");
  slider.Move(150, 150, 3000, 450);
  slider.Max = 100;
  slider.Value = 20;
  auto& bar = f.Add<forms::VScrollBar>("VScroll1");
  bar.Move(4500, 150, 255, 3000);
  bar.Min = -9;
  bar.Max = 10;
  bar.Value = -1;
  f.Show();
  Pump();
  // Dragged by `by`, the value ends above `above` with the widget showing it (no snapping back),
  // Scroll raised on the way and Change last for the value reached. A slider raises Change once,
  // at the end; a scroll bar for each change, so more than once on this drag.
  auto drag = [&](auto& control, auto* widget, QPoint by, int above, bool changeOnlyAtTheEnd) {
    SCOPED_TRACE(control.Name());
    std::vector<int> changes;
    int scrolls = 0;
    control.Change = [&] { changes.push_back(control.Value()); };
    control.Scroll = [&] { ++scrolls; };
    ASSERT_TRUE(widget);
    stavelark_test::DragHandle(widget, by);
    EXPECT_GT(control.Value(), above);
    EXPECT_EQ(widget->value(), control.Value());
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), control.Value());
    EXPECT_EQ(changes.size() == 1u, changeOnlyAtTheEnd) << changes.size() << " changes";
    EXPECT_GE(scrolls, 2);
  };
  drag(slider, qobject_cast<QSlider*>(system_->WidgetOf(slider)), QPoint(80, 0), 40, true);
  drag(bar, qobject_cast<QScrollBar*>(system_->WidgetOf(bar)), QPoint(0, 80), 2, false);
}

// The list a combo box drops down shows its items in the box's own colours, like its face.
TEST_F(QtBackendTest, ADroppedListHasItsComboBoxsColours) {
  LogForm& f = NewForm("Combo");
  auto& combo = f.Add<forms::ComboBox>("List4");
  combo.Style = forms::ComboStyle::DropDownList;
  combo.Move(150, 150, 2895, 315);
  combo.BackColor = RGB(0, 0, 0);
  combo.ForeColor = RGB(255, 0, 0);
  for (const char* name : {"Acoustic Grand", "Bright Acoustic", "Electric Grand"}) combo.AddItem(name);
  combo.ListIndex = 0;
  f.Show();
  Pump();
  auto* box = qobject_cast<QComboBox*>(system_->WidgetOf(combo));
  ASSERT_NE(box, nullptr);
  box->showPopup();
  Pump();
  QWidget* list = box->view()->window();
  ASSERT_TRUE(list->isVisible());
  const QImage img = list->grab().toImage();
  box->hidePopup();
  int black = 0, red = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QColor p = img.pixelColor(x, y);
      black += p.red() < 40 && p.green() < 40 && p.blue() < 40;
      red += p.red() > 150 && p.green() < 80 && p.blue() < 80;
    }
  EXPECT_GT(black, img.width() * img.height() / 2) << "the list's background is the box's";
  EXPECT_GT(red, 30) << "its items are written in the box's text colour";
}

TEST_F(QtBackendTest, AHostedSurfaceIsNeverAWindowOfItsOwn) {
  LogForm& f = NewForm("Host");
  auto& place = f.Add<forms::HostedControl>("Place");
  place.Move(1500, 1500, 900, 600);
  LogForm& surface = NewForm("Surface", 900, 600);
  surface.BorderStyle = 0;
  place.SetSurface(&surface);
  surface.Show();  // before the host form has a window: it waits for its place
  Pump();
  QWidget* w = system_->WindowOf(surface);
  ASSERT_TRUE(w);
  EXPECT_FALSE(w->isVisible());
  f.Show();
  Pump();
  EXPECT_FALSE(w->isWindow());
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->parentWidget(), system_->WidgetOf(place));
}

TEST_F(QtBackendTest, MenusAreAMenuBarWhoseItemsRunClick) {
  LogForm& f = NewForm("Menus");
  auto& file = f.AddMenu("mnuFile", "&File");
  f.AddMenu("mnuOpen", "&Open", &file);
  f.AddMenu("mnuSep", "-", &file);
  auto& exitItem = f.AddMenu("mnuExit", "E&xit", &file);
  exitItem.Checked = true;
  auto& help = f.AddMenu("mnuHelp", "&Help");
  f.Show();
  Pump();
  auto* bar = system_->WindowOf(f)->findChild<QMenuBar*>();
  ASSERT_TRUE(bar);
  std::vector<QAction*> highlighted;  // the bar's highlighted item each time Help runs
  help.Click = [&] { highlighted.push_back(bar->activeAction()); };
  const auto top = bar->actions();
  ASSERT_EQ(top.size(), 2);
  EXPECT_EQ(top[0]->text(), "&File");
  ASSERT_TRUE(top[0]->menu());
  const auto items = top[0]->menu()->actions();
  ASSERT_EQ(items.size(), 3);
  EXPECT_TRUE(items[1]->isSeparator());
  EXPECT_TRUE(items[2]->isChecked());
  EXPECT_EQ(top[1]->menu(), nullptr);  // a top-level item with no drop-down runs Click itself
  top[1]->trigger();
  Pump();
  EXPECT_EQ(highlighted.size(), 1u);
  // Chosen with its access key, it runs once the menu bar has let go: a command that waits (a
  // dialog it shows) does not leave the item highlighted.
  system_->WindowOf(f)->activateWindow();
  Pump();
  QTest::keyClick(system_->WindowOf(f), Qt::Key_H, Qt::AltModifier);
  Pump();
  ASSERT_EQ(highlighted.size(), 2u);
  EXPECT_EQ(highlighted[1], nullptr);
  exitItem.Checked = false;
  EXPECT_FALSE(items[2]->isChecked());

  // A loaded element of a menu control array joins its menu after its siblings.
  forms::ControlArray<forms::Menu> recent(f, "mnuRecent");
  auto& r0 = recent.Design(0);
  r0.Caption = "one";
  r0.SetParentMenu(&file);
  forms::Menu& r1 = recent.Load(1);
  r1.Caption = "two";
  r1.Visible = true;
  EXPECT_EQ(file.Items().back(), &r1);
  Pump();
  const auto rebuilt = bar->actions()[0]->menu()->actions();
  ASSERT_EQ(rebuilt.size(), 5);
  EXPECT_EQ(rebuilt[4]->text(), "two");
}

TEST_F(QtBackendTest, CursorAndFormPositionsUseTheMainFormsVirtualScreen) {
  LogForm& main = NewForm("Main", 6000, 4500);
  main.AddMenu("mnuFile", "&File");
  main.StartUpPosition = 2;
  system_->MainForm = &main;
  auto& button = main.Add<forms::CommandButton>("SliderBar");
  button.Move(1500, 1500, 900, 300);  // (100,100) 60x20
  auto& label = main.Add<forms::Label>("Label1");
  label.Move(1500, 3000, 900, 300);  // (100,200)
  std::vector<std::pair<int, int>> seen;
  auto read = [&](int, int, double, double) {
    const forms::PointApi p = system_->GetCursorPos();
    seen.emplace_back(p.x, p.y);
  };
  for (forms::Control* c : std::initializer_list<forms::Control*>{&button, &label}) {
    c->MouseDown = read;
    c->MouseMove = read;
  }
  label.MouseUp = [&](int b, int s, double x, double y) {
    QTimer::singleShot(0, [] {});
    system_->DoEvents();
    read(b, s, x, y);
  };
  main.Show();
  Pump();
  EXPECT_EQ(main.Left(), 0);
  EXPECT_EQ(main.Top(), 120);  // 48 pixels less a 20-pixel title and a 20-pixel menu bar

  QWidget* canvas = system_->CanvasOf(main);
  const QPoint origin = canvas->mapToGlobal(QPoint(0, 0));
  QCursor::setPos(origin + QPoint(10, 20));
  const forms::PointApi p = system_->GetCursorPos();
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 68);

  // A mouse handler reads the cursor where its event happened, though the pointer has moved on by
  // the time it runs (a thumb's press followed at once by a move); after a wait it reads the pointer.
  QCursor::setPos(origin + QPoint(350, 250));
  using namespace stavelark_test;
  for (const auto& [w, from, to] : {std::tuple{system_->WidgetOf(button), QPoint(5, 5), QPoint(30, 5)},
                                    std::tuple{canvas, QPoint(110, 205), QPoint(90, 205)}}) {
    Press(w, from);
    MoveHeld(w, to);
    Release(w, to);
  }
  EXPECT_THAT(seen, ::testing::ElementsAre(std::pair(105, 153), std::pair(130, 153), std::pair(110, 253),
                                           std::pair(90, 253), std::pair(350, 298)));

  // Another form placed in the same coordinates lands relative to the main form's client area.
  LogForm& other = NewForm("Other", 1500, 1500);
  other.Load();
  other.Left = 1500;
  other.Top = 1200;  // client at virtual (100, 80 + 20)
  other.Show();
  Pump();
  EXPECT_EQ(system_->CanvasOf(other)->mapToGlobal(QPoint(0, 0)), origin + QPoint(100, 100 - 48));
  EXPECT_EQ(other.Left(), 1500);
  EXPECT_EQ(other.Top(), 1200);

  // Moving the main window keeps it the reference; the others' positions follow.
  system_->WindowOf(main)->move(system_->WindowOf(main)->pos() + QPoint(7, 5));
  Pump();
  EXPECT_EQ(main.Left(), 0);
  EXPECT_EQ(main.Top(), 120);
  EXPECT_EQ(other.Left(), 1500 - 7 * 15);
  EXPECT_EQ(other.Top(), 1200 - 5 * 15);
}

TEST_F(QtBackendTest, DoEventsSleepsUntilATickOrAWakeUpAndEndStopsEverything) {
  LogForm& f = NewForm("Timers");
  auto& timer = f.Add<forms::Timer>("Timer1");
  timer.Interval = 50;
  int ticks = 0;
  timer.Tick = [&] { ++ticks; };
  f.Load();
  // Runs DoEvents until `done`, timed by `clock`: the number of calls it took.
  QElapsedTimer clock;
  auto callsUntil = [&](auto done) {
    clock.start();
    int calls = 0;
    for (; !done(); ++calls) system_->DoEvents();
    return calls;
  };
  // Nothing but the timer: each DoEvents sleeps until its next tick instead of polling.
  EXPECT_LE(callsUntil([&] { return ticks >= 4; }), 12);
  EXPECT_GE(clock.elapsed(), 150);

  // A resting timer costs no wake-up; Resume brings its ticks back.
  timer.Rest();
  const int rested = ticks;
  bool woken = false;
  auto wakeup = system_->MakeWakeup([&] { woken = true; });
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    wakeup->Wake();
    wakeup->Wake();  // two wakes before the handler runs: it runs once
  });
  EXPECT_LE(callsUntil([&] { return woken; }), 3);
  other.join();
  EXPECT_GE(clock.elapsed(), 140);
  EXPECT_EQ(ticks, rested);
  EXPECT_TRUE(timer.Enabled());
  timer.Resume();
  callsUntil([&] { return ticks > rested; });

  // End inside a handler: the handler unwinds, and every later DoEvents throws.
  timer.Tick = [&] { system_->End(); };
  EXPECT_THROW(
      {
        for (int i = 0; i < 1000; ++i) system_->DoEvents();
      },
      forms::EndProgram);
  EXPECT_TRUE(system_->Ending());
  EXPECT_THROW(system_->DoEvents(), forms::EndProgram);
}

// What a command-line tool writes on its standard output.
QString ToolOutput(const QString& program, const QStringList& args) {
  QProcess run;
  run.start(program, args);
  if (!run.waitForFinished(20000)) ADD_FAILURE() << program.toStdString() << " did not finish";
  return QString::fromUtf8(run.readAllStandardOutput());
}

TEST_F(QtBackendTest, PrintFormWritesThePageAsTextAndVectorsToThePdf) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString pdf = dir.filePath("page.pdf");
  LogForm& f = NewForm("Print");
  Gallery g(f);
  f.Load();
  PrintTo(f, pdf);
  EXPECT_EQ(system_->LastPrintOutput(), pdf);
  ASSERT_TRUE(QFile::exists(pdf));

  const QString html = ToolOutput("pdftotext", {"-bbox", pdf, "-"});
  EXPECT_TRUE(html.contains(">Hello<"));
  EXPECT_TRUE(html.contains(">typed<"));  // a text box prints its text
  EXPECT_TRUE(html.contains(">Frame<"));
  // The page keeps 96 pixels to the inch: the two labels are 180 pixels = 135 points apart.
  auto xMin = [&](const QString& word) {
    const QRegularExpression re("<word xMin=\"([0-9.]+)\"[^>]*>" + word + "<");
    const auto m = re.match(html);
    return m.hasMatch() ? m.captured(1).toDouble() : -1000.0;
  };
  EXPECT_NEAR(xMin("World") - xMin("Hello"), 135.0, 1.5);

  // Shapes and lines are drawn as vectors, smooth at any resolution (note heads are ovals): the
  // one picture on a page of painted controls is the image control's own 10 x 10 bitmap.
  LogForm& painted = NewForm("Painted");
  for (forms::ShapeKind kind : {forms::ShapeKind::Oval, forms::ShapeKind::Circle, forms::ShapeKind::RoundedRectangle}) {
    auto& head = painted.Add<forms::Shape>("Head" + std::to_string(static_cast<int>(kind)));
    head.ShapeKind = kind;
    head.Move(300 + 600 * static_cast<int>(kind), 300, 195, 150);  // 13 x 10 pixels
    head.FillStyle = forms::FillStyle::Solid;
    head.FillColor = RGB(0, 0, 0);
  }
  painted.Add<forms::Image>("Clef").Picture = g.image.Picture();
  painted.Add<forms::Line>("Staff").X2 = 3000;
  painted.Load();
  PrintTo(painted, pdf);
  QStringList rows = ToolOutput("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
  ASSERT_GE(rows.size(), 2) << "pdfimages -list prints two heading lines";
  rows = rows.mid(2);
  ASSERT_EQ(rows.size(), 1) << rows.join('\n').toStdString();
  EXPECT_EQ(rows[0].simplified().section(' ', 2, 4).toStdString(), "image 10 10");
}

// The texts of the message boxes showing (those that do not wait for their OK), which close.
QStringList CloseMessageBoxes() {
  QStringList texts;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
      texts << box->text();
      box->close();
    }
  return texts;
}

TEST_F(QtBackendTest, WithoutAPrinterPagesGoToAPdfAmongTheDocumentsAndAMessageSaysWhere) {
  if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "a printer is installed";
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  qunsetenv("STAVELARK_PRINT_PDF");
  LogForm& f = NewForm("Print");
  Gallery g(f);
  f.Load();
  std::vector<QString> outputs;
  const std::string err = WithHomeAt(home.path(), [&] {
    for (int i = 0; i < 2; ++i) {
      f.PrintForm();
      outputs.push_back(system_->LastPrintOutput());
    }
  });
  const QStringList messages = CloseMessageBoxes();

  // Two prints, two files (also within the same second), each named on stderr and in a message.
  EXPECT_NE(outputs[0], outputs[1]);
  EXPECT_EQ(messages.size(), 2);
  for (const QString& pdf : outputs) {
    SCOPED_TRACE(pdf.toStdString());
    EXPECT_TRUE(pdf.startsWith(home.path() + "/Documents/Stavelark print "));
    EXPECT_GT(QFile(pdf).size(), 1000);
    EXPECT_NE(err.find(pdf.toStdString()), std::string::npos) << err;
    EXPECT_EQ(messages.filter(pdf).size(), 1) << messages.join('\n').toStdString();
  }

  // A documents "folder" that is a file cannot take the PDF: the message says so, with the reason.
  QTemporaryDir other;
  ASSERT_TRUE(other.isValid());
  QFile blocker(other.path() + "/Documents");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const std::string failure = WithHomeAt(other.path(), [&] { EXPECT_THROW(f.PrintForm(), basic::RuntimeError); });
  const QStringList said = CloseMessageBoxes();
  ASSERT_EQ(said.size(), 1);
  EXPECT_TRUE(said[0].startsWith("No printer is set up, and the pages could not be saved as a PDF file:\n\n" +
                                 other.path() + "/Documents/Stavelark print "))
      << said[0].toStdString();
  EXPECT_TRUE(said[0].contains("directory", Qt::CaseInsensitive)) << said[0].toStdString();
  EXPECT_EQ(failure.find("QPainter::begin"), std::string::npos) << failure;
}

// Escape and the close box end a message box only where it has Cancel (or only OK); a Yes/No box
// stays open until one of its buttons is pressed.
TEST_F(QtBackendTest, EscapeAndTheCloseBoxAnswerOnlyBoxesWithCancelOrOnlyOk) {
  namespace mb = forms::mb;
  struct Case {
    int buttons, escape;  // escape 0: Escape and the close box leave the box open
    QMessageBox::StandardButton first;
    int firstAnswer;
  };
  const Case cases[] = {{mb::YesNo | mb::Question, 0, QMessageBox::Yes, mb::Yes},
                        {mb::AbortRetryIgnore, 0, QMessageBox::Abort, mb::Abort},
                        {mb::YesNoCancel, mb::Cancel, QMessageBox::Yes, mb::Yes},
                        {mb::OkCancel, mb::Cancel, QMessageBox::Ok, mb::Ok},
                        {mb::RetryCancel, mb::Cancel, QMessageBox::Retry, mb::Retry},
                        {mb::OkOnly, mb::Ok, QMessageBox::Ok, mb::Ok}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buttons);
    for (const bool byEscape : {true, false}) {
      bool openAfter = false, closeBox = true;
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        closeBox = box->windowFlags().testFlag(Qt::WindowCloseButtonHint);
        if (byEscape) QTest::keyClick(box, Qt::Key_Escape);
        else box->close();
        openAfter = box->isVisible();
        if (openAfter) box->button(c.first)->click();
      });
      const int answer = system_->MsgBox("Do you want to save changes to Untitled ?", c.buttons, "End program");
      EXPECT_EQ(openAfter, c.escape == 0);
      EXPECT_EQ(answer, c.escape ? c.escape : c.firstAnswer);
      if (c.escape == 0) {
        EXPECT_FALSE(closeBox) << "no close box is offered";
      }
    }
  }
}

// A message box belongs to the window whose input raised it, though another window is active by
// then (as after a file dialog closed), so the user comes back to that window when it ends.
TEST_F(QtBackendTest, AMessageBoxBelongsToTheWindowThatRaisedIt) {
  LogForm& main = NewForm("Main");
  system_->MainForm = &main;
  LogForm& options = NewForm("Options", 3000, 2000);
  auto& browse = options.Add<forms::CommandButton>("Browse");
  browse.Move(150, 150, 1200, 375);
  browse.Click = [&] { system_->MsgBoxText("Could not load image"); };
  main.Show();
  options.Show();
  Pump();
  system_->WindowOf(main)->activateWindow();
  Pump();
  QWidget* parent = nullptr;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    parent = box->parentWidget();
    box->close();
  });
  QTest::mouseClick(system_->WidgetOf(browse), Qt::LeftButton);
  EXPECT_EQ(parent, system_->WindowOf(options));
}

TEST(QtDialogs, FiltersBecomeQtNameFilters) {
  using forms::qtbackend::NameFilters;
  EXPECT_THAT(NameFilters("Music (*.mid)|*.mid;*.kar|All files|*.*"),
              ::testing::ElementsAre("Music (*.mid *.kar)", "All files (*)"));
  EXPECT_THAT(NameFilters("All Files (*.*)|*.*|MIDI Source Files (*.MSF)|*.msf *.MSF"),
              ::testing::ElementsAre("All Files (*)", "MIDI Source Files (*.msf *.MSF)"));
  EXPECT_THAT(NameFilters("Pictures|*.png *.bmp"), ::testing::ElementsAre("Pictures (*.png *.bmp)"));
  EXPECT_THAT(NameFilters("Lonely"), ::testing::ElementsAre("Lonely (*)"));  // a name without patterns
  EXPECT_TRUE(NameFilters("").isEmpty());
}

TEST_F(QtBackendTest, FontsFallBackToInstalledFamiliesAtNinetySixDpi) {
  forms::qtbackend::FontBook book;
  forms::Font sans;  // MS Sans Serif 8.25
  const QFont f = book.Make(sans);
  EXPECT_EQ(f.pixelSize(), 11);
  EXPECT_TRUE(QFontDatabase::hasFamily(f.family()));
  forms::Font black;
  black.Name = "Arial Black";
  black.Size = 12;
  const QFont b = book.Make(black);
  EXPECT_EQ(b.pixelSize(), 16);
  EXPECT_EQ(b.weight(), QFont::Black);
  EXPECT_TRUE(QFontDatabase::hasFamily(book.FamilyFor("Comic Sans MS")));
  EXPECT_NE(book.FamilyFor("Comic Sans MS"), "Z003");  // never a script face for a sans
}

}  // namespace
