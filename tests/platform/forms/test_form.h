// Forms for the forms-layer tests: every control kind on one form, each event logged as
// "<name>.<Event> <arguments>" (form events as "<FormName>.Form_<Event> ...").
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/forms/forms.h"

namespace forms_test {

using Log = std::vector<std::string>;

inline std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// The number of the run-time error `f` raises, 0 when it raises none.
template <typename F>
int ErrorOf(F&& f) {
  try {
    f();
  } catch (const basic::RuntimeError& e) {
    return e.number;
  }
  return 0;
}

inline std::string MouseText(int b, int s, double x, double y) {
  return std::to_string(b) + " " + std::to_string(s) + " " + Num(x) + " " + Num(y);
}

// A form that logs its own events; hooks let a test act inside them.
class LoggingForm : public forms::Form {
 public:
  LoggingForm(forms::WindowSystem& system, std::string name, Log& log) : Form(system, std::move(name)), log(log) {}

  Log& log;
  int cancelQueryUnload = 0;  // what Form_QueryUnload answers
  int cancelUnload = 0;       // what Form_Unload answers
  std::function<void()> onLoad;
  std::function<void(int& key)> onKeyDown, onKeyPress;

  void Form_Load() override {
    Put("Form_Load");
    if (onLoad) onLoad();
  }
  void Form_QueryUnload(int& cancel, int mode) override {
    Put("Form_QueryUnload " + std::to_string(mode));
    cancel = cancelQueryUnload;
  }
  void Form_Unload(int& cancel) override {
    Put("Form_Unload");
    cancel = cancelUnload;
  }
  void Form_Click() override { Put("Form_Click"); }
  void Form_DblClick() override { Put("Form_DblClick"); }
  void Form_MouseDown(int b, int s, double x, double y) override { Put("Form_MouseDown " + MouseText(b, s, x, y)); }
  void Form_MouseMove(int b, int s, double x, double y) override { Put("Form_MouseMove " + MouseText(b, s, x, y)); }
  void Form_MouseUp(int b, int s, double x, double y) override { Put("Form_MouseUp " + MouseText(b, s, x, y)); }
  void Form_KeyDown(int& k, int s) override {
    Put("Form_KeyDown " + std::to_string(k) + " " + std::to_string(s));
    if (onKeyDown) onKeyDown(k);
  }
  void Form_KeyUp(int& k, int s) override { Put("Form_KeyUp " + std::to_string(k) + " " + std::to_string(s)); }
  void Form_KeyPress(int& k) override {
    Put("Form_KeyPress " + std::to_string(k));
    if (onKeyPress) onKeyPress(k);
  }

 protected:
  void Put(const std::string& what) { log.push_back(Name() + "." + what); }

  void Wire(forms::Control& c) {
    std::string n = c.Name();
    c.Click = [this, n] { log.push_back(n + ".Click"); };
    c.DblClick = [this, n] { log.push_back(n + ".DblClick"); };
    c.Change = [this, n] { log.push_back(n + ".Change"); };
    c.GotFocus = [this, n] { log.push_back(n + ".GotFocus"); };
    c.LostFocus = [this, n] { log.push_back(n + ".LostFocus"); };
    c.MouseDown = [this, n](int b, int s, double x, double y) { log.push_back(n + ".MouseDown " + MouseText(b, s, x, y)); };
    c.MouseMove = [this, n](int b, int s, double x, double y) { log.push_back(n + ".MouseMove " + MouseText(b, s, x, y)); };
    c.MouseUp = [this, n](int b, int s, double x, double y) { log.push_back(n + ".MouseUp " + MouseText(b, s, x, y)); };
    c.KeyDown = [this, n](int& k, int s) { log.push_back(n + ".KeyDown " + std::to_string(k) + " " + std::to_string(s)); };
    c.KeyUp = [this, n](int& k, int s) { log.push_back(n + ".KeyUp " + std::to_string(k) + " " + std::to_string(s)); };
    c.KeyPress = [this, n](int& k) { log.push_back(n + ".KeyPress " + std::to_string(k)); };
  }

  template <typename T>
  void WireArray(forms::ControlArray<T>& a) {
    std::string n = a.Name();
    auto at = [n](int i) { return n + "(" + std::to_string(i) + ")"; };
    a.Click = [this, at](int i) { log.push_back(at(i) + ".Click"); };
    a.Change = [this, at](int i) { log.push_back(at(i) + ".Change"); };
    a.GotFocus = [this, at](int i) { log.push_back(at(i) + ".GotFocus"); };
    a.LostFocus = [this, at](int i) { log.push_back(at(i) + ".LostFocus"); };
    a.MouseDown = [this, at](int i, int b, int s, double x, double y) {
      log.push_back(at(i) + ".MouseDown " + MouseText(b, s, x, y));
    };
    a.MouseUp = [this, at](int i, int b, int s, double x, double y) {
      log.push_back(at(i) + ".MouseUp " + MouseText(b, s, x, y));
    };
  }
};

// Client area 6000 x 4500 twips under a menu bar. Tab order: txt, chk, cmd, then the rest
// in the order made.
class TestForm : public LoggingForm {
 public:
  TestForm(forms::WindowSystem& system, Log& log, std::string name = "TestForm")
      : LoggingForm(system, std::move(name), log) {
    txt.Move(100, 600, 2000, 300);
    chk.Move(100, 1000, 1500, 300);
    cmd.Move(100, 100, 1200, 400);
    lbl.Move(4800, 100, 1000, 300);
    cbo.Move(100, 1400, 1500, 300);
    for (const char* item : {"a", "b", "c"}) cbo.AddItem(item);
    optMode.Design(0).Move(2500, 100, 1200, 300);
    optMode.Design(1).Move(2500, 400, 1200, 300);
    fra.Move(2500, 1000, 2000, 1200);
    for (int i = 0; i < 2; ++i) {
      auto& o = optFrame.Design(i);
      o.SetContainer(&fra);
      o.Move(100, 200 + 300 * i, 1500, 300);
    }
    pic.Move(100, 2000, 2000, 1500);
    lblInPic.SetContainer(&pic);
    lblInPic.Move(100, 100, 500, 200);
    lblNote.Design(0).Move(300, 3600, 400, 200);
    lblNote[0].Caption = "n0";
    img.Move(2500, 2400, 600, 600);
    lin.X1 = 0;
    lin.Y1 = 4000;
    lin.X2 = 3000;
    lin.Y2 = 4000;
    shp.Move(3500, 3000, 1000, 1000);
    sld.Move(4800, 600, 1000, 300);
    hsc.Move(4800, 1000, 1000, 250);
    tab.Move(4600, 1500, 1400, 1200);
    tab.TabCaptions = {"One", "Two"};
    optTabA.SetContainer(&tab, 0);
    optTabA.Move(100, 400, 1000, 250);
    optTabB.SetContainer(&tab, 0);
    optTabB.Move(100, 700, 1000, 250);
    optTabC.SetContainer(&tab, 1);
    optTabC.Move(100, 400, 1000, 250);
    web.Move(2500, 3000, 800, 800);
    host.Move(4600, 3000, 1200, 900);
    host.SetSurface(&surface);
    surfaceLabel.Move(0, 0, 300, 300);
    SetClientSize(6000, 4500);

    int tabIndex = 0;
    for (const auto& c : Controls()) c->TabIndex.Init(tabIndex++);
    for (forms::Control* c : std::initializer_list<forms::Control*>{
             &txt, &chk, &cmd, &lbl, &cbo, &fra, &pic, &lblInPic, &img, &lin, &shp, &sld, &hsc, &tab,
             &optTabA, &optTabB, &optTabC, &web, &host, &mnuFile, &mnuFileOpen, &mnuFileSep, &mnuFileExit})
      Wire(*c);
    WireArray(optMode);
    WireArray(optFrame);
    WireArray(lblNote);
    WireArray(mnuRecent);
  }

  forms::TextBox& txt = Add<forms::TextBox>("txt");
  forms::CheckBox& chk = Add<forms::CheckBox>("chk");
  forms::CommandButton& cmd = Add<forms::CommandButton>("cmd");
  forms::Label& lbl = Add<forms::Label>("lbl");
  forms::ComboBox& cbo = Add<forms::ComboBox>("cbo");
  forms::ControlArray<forms::OptionButton> optMode{*this, "optMode"};
  forms::Frame& fra = Add<forms::Frame>("fra");
  forms::ControlArray<forms::OptionButton> optFrame{*this, "optFrame"};
  forms::PictureBox& pic = Add<forms::PictureBox>("pic");
  forms::Label& lblInPic = Add<forms::Label>("lblInPic");
  forms::ControlArray<forms::Label> lblNote{*this, "lblNote"};
  forms::Image& img = Add<forms::Image>("img");
  forms::Line& lin = Add<forms::Line>("lin");
  forms::Shape& shp = Add<forms::Shape>("shp");
  forms::Timer& tmr = Add<forms::Timer>("tmr");
  forms::Slider& sld = Add<forms::Slider>("sld");
  forms::HScrollBar& hsc = Add<forms::HScrollBar>("hsc");
  forms::TabStrip& tab = Add<forms::TabStrip>("tab");
  forms::OptionButton& optTabA = Add<forms::OptionButton>("optTabA");
  forms::OptionButton& optTabB = Add<forms::OptionButton>("optTabB");
  forms::OptionButton& optTabC = Add<forms::OptionButton>("optTabC");
  forms::WebBrowser& web = Add<forms::WebBrowser>("web");
  forms::CommonDialog& dlg = Add<forms::CommonDialog>("dlg");
  forms::HostedControl& host = Add<forms::HostedControl>("host");
  forms::Menu& mnuFile = AddMenu("mnuFile", "&File");
  forms::Menu& mnuFileOpen = AddMenu("mnuFileOpen", "&Open...", &mnuFile);
  forms::ControlArray<forms::Menu> mnuRecent{*this, "mnuRecent"};
  forms::Menu& mnuRecent0 = DesignRecent();
  forms::Menu& mnuFileSep = AddMenu("mnuFileSep", "-", &mnuFile);
  forms::Menu& mnuFileExit = AddMenu("mnuFileExit", "E&xit", &mnuFile);

  // The surface a control library's control draws on, shown at `host`.
  LoggingForm surface{System(), "Surface", log};
  forms::Label& surfaceLabel = surface.Add<forms::Label>("surfaceLabel");

 private:
  forms::Menu& DesignRecent() { return mnuRecent.Design(AddMenu("mnuRecent", "1 recent", &mnuFile, 0)); }
};

}  // namespace forms_test
