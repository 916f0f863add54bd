// Controls of a form. Every control belongs to one form, is owned by it, and keeps the
// properties of its kind under their usual names. Geometry is in twips relative to the
// control's container (the form's client area, a frame, a picture box or a tab page).
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/forms/property.h"

namespace forms {

class Form;
class WindowSystem;

enum class ControlKind {
  Label, TextBox, CommandButton, CheckBox, OptionButton, ComboBox, Frame, PictureBox, Image,
  Line, Shape, Timer, Slider, HScrollBar, VScrollBar, TabStrip, WebBrowser, CommonDialog, Menu,
  Hosted
};

class Control : public PropertyOwner {
 public:
  Control(Form& form, std::string name, int index, ControlKind kind);
  ~Control() override;

  ControlKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  int Index() const { return index_; }  // -1 outside a control array
  Form& Parent() const { return form_; }
  WindowSystem& System() const;

  // The container this control sits in; nullptr = the form's client area.
  Control* Container() const { return container_; }
  void SetContainer(Control* c, int tabPage = -1);
  int TabPage() const { return tabPage_; }  // page of a TabStrip container, -1 otherwise

  // Painted on the form's surface rather than being a window of its own. Such controls lie
  // below every windowed control; lines and shapes take no mouse events at all.
  virtual bool IsWindowless() const { return false; }
  virtual bool TakesMouse() const { return true; }
  virtual bool CanFocus() const { return false; }
  // Visible and every container visible (and on the container's current tab page).
  bool IsShowing() const;

  Property<double> Left{this, "Left"};
  Property<double> Top{this, "Top"};
  Property<double> Width{this, "Width"};
  Property<double> Height{this, "Height"};
  Property<bool> Visible{this, "Visible", true};
  Property<bool> Enabled{this, "Enabled", true};
  Property<std::string> ToolTipText{this, "ToolTipText"};
  Property<std::string> Tag{this, "Tag"};
  Property<int> TabIndex{this, "TabIndex"};
  Property<bool> TabStop{this, "TabStop", true};

  void Move(double left, double top, double width, double height);
  void SetFocus();
  // 0 brings the control to the front of its layer, 1 sends it to the back.
  void ZOrder(int position = 0);
  void Refresh();

  // Events. Coordinates are twips relative to the control; Button and Shift as in types.h.
  std::function<void()> Click, DblClick, GotFocus, LostFocus, Change;
  std::function<void(int Button, int Shift, double X, double Y)> MouseDown, MouseMove, MouseUp;
  std::function<void(int& KeyCode, int Shift)> KeyDown, KeyUp;
  std::function<void(int& KeyAscii)> KeyPress;

  // Raising events (backends for user input, and the controls themselves).
  void RaiseClick();
  void RaiseDblClick();
  void RaiseChange();
  void RaiseGotFocus();
  void RaiseLostFocus();
  void RaiseMouseDown(int button, int shift, double x, double y);
  void RaiseMouseMove(int button, int shift, double x, double y);
  void RaiseMouseUp(int button, int shift, double x, double y);
  void RaiseKeyDown(int& keyCode, int shift);
  void RaiseKeyUp(int& keyCode, int shift);
  void RaiseKeyPress(int& keyAscii);

  // Position of the control's top-left corner in the form's client area (twips).
  double FormLeft() const;
  double FormTop() const;

 protected:
  void PropertyChanged(PropertyBase& p) override;
  // A kind's own reaction to a property change, before the peer hears of it.
  virtual void OnPropertyChanged(PropertyBase&) {}

 private:
  Form& form_;
  std::string name_;
  int index_;
  ControlKind kind_;
  Control* container_ = nullptr;
  int tabPage_ = -1;
};

// ---- windowless controls ----

class Label final : public Control {
 public:
  Label(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::Label) {}
  bool IsWindowless() const override { return true; }
  Property<std::string> Caption{this, "Caption"};
  Property<forms::Font> Font{this, "Font"};
  Property<forms::Color> ForeColor{this, "ForeColor", 0};
  Property<forms::Color> BackColor{this, "BackColor", 0xFFFFFF};
  Property<forms::BackStyle> BackStyle{this, "BackStyle", forms::BackStyle::Opaque};
  Property<forms::Alignment> Alignment{this, "Alignment", forms::Alignment::Left};
  Property<bool> AutoSize{this, "AutoSize", false};
  Property<bool> WordWrap{this, "WordWrap", false};
  Property<int> BorderStyle{this, "BorderStyle", 0};  // 0 none, 1 fixed single
};

class Line final : public Control {
 public:
  Line(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::Line) {}
  bool IsWindowless() const override { return true; }
  bool TakesMouse() const override { return false; }
  Property<double> X1{this, "X1"};
  Property<double> Y1{this, "Y1"};
  Property<double> X2{this, "X2"};
  Property<double> Y2{this, "Y2"};
  Property<forms::Color> BorderColor{this, "BorderColor", 0};
  Property<int> BorderWidth{this, "BorderWidth", 1};  // pixels
  Property<forms::BorderStyle> BorderStyle{this, "BorderStyle", forms::BorderStyle::Solid};
};

class Shape final : public Control {
 public:
  Shape(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::Shape) {}
  bool IsWindowless() const override { return true; }
  bool TakesMouse() const override { return false; }
  Property<forms::ShapeKind> ShapeKind{this, "Shape", forms::ShapeKind::Rectangle};
  Property<forms::FillStyle> FillStyle{this, "FillStyle", forms::FillStyle::Transparent};
  Property<forms::Color> FillColor{this, "FillColor", 0};
  Property<forms::BackStyle> BackStyle{this, "BackStyle", forms::BackStyle::Transparent};
  Property<forms::Color> BackColor{this, "BackColor", 0xFFFFFF};
  Property<forms::Color> BorderColor{this, "BorderColor", 0};
  Property<int> BorderWidth{this, "BorderWidth", 1};
  Property<forms::BorderStyle> BorderStyle{this, "BorderStyle", forms::BorderStyle::Solid};
};

class Image final : public Control {
 public:
  Image(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::Image) {}
  bool IsWindowless() const override { return true; }
  Property<forms::Picture> Picture{this, "Picture"};
  Property<bool> Stretch{this, "Stretch", false};
  Property<int> BorderStyle{this, "BorderStyle", 0};
};

// ---- windowed controls ----

// A container with a picture; its children are placed in its client area.
class PictureBox final : public Control {
 public:
  PictureBox(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::PictureBox) {}
  bool CanFocus() const override { return true; }
  Property<forms::Picture> Picture{this, "Picture"};
  Property<forms::Color> BackColor{this, "BackColor", forms::SystemButtonFace};
  Property<forms::Color> ForeColor{this, "ForeColor", 0};
  Property<int> BorderStyle{this, "BorderStyle", 1};  // 0 none, 1 fixed single
  Property<forms::Font> Font{this, "Font"};
};

class Frame final : public Control {
 public:
  Frame(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::Frame) {}
  Property<std::string> Caption{this, "Caption"};
  Property<forms::Font> Font{this, "Font"};
  Property<forms::Color> ForeColor{this, "ForeColor", 0};
  Property<forms::Color> BackColor{this, "BackColor", forms::SystemButtonFace};
  Property<int> BorderStyle{this, "BorderStyle", 1};
};

class TextBox final : public Control {
 public:
  TextBox(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::TextBox) {}
  bool CanFocus() const override { return true; }
  // Writing Text raises Change, as a user's edit does.
  Property<std::string> Text{this, "Text"};
  Property<forms::Font> Font{this, "Font"};
  Property<forms::Color> ForeColor{this, "ForeColor", 0};
  Property<forms::Color> BackColor{this, "BackColor", 0xFFFFFF};
  Property<forms::Alignment> Alignment{this, "Alignment", forms::Alignment::Left};
  Property<bool> MultiLine{this, "MultiLine", false};
  Property<bool> Locked{this, "Locked", false};
  Property<int> MaxLength{this, "MaxLength", 0};
  Property<int> BorderStyle{this, "BorderStyle", 1};

 protected:
  void OnPropertyChanged(PropertyBase& p) override;
};

class CommandButton final : public Control {
 public:
  CommandButton(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::CommandButton) {}
  bool CanFocus() const override { return true; }
  Property<std::string> Caption{this, "Caption"};
  Property<forms::Font> Font{this, "Font"};
  // Graphical buttons paint their BackColor (and Picture); standard ones look like the system's.
  Property<forms::ButtonStyle> Style{this, "Style", forms::ButtonStyle::Standard};
  Property<forms::Color> BackColor{this, "BackColor", forms::SystemButtonFace};
  Property<forms::Color> ForeColor{this, "ForeColor", 0};
  Property<forms::Picture> Picture{this, "Picture"};
  Property<bool> Default{this, "Default", false};
  Property<bool> Cancel{this, "Cancel", false};
};

class CheckBox final : public Control {
 public:
  CheckBox(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::CheckBox) {}
  bool CanFocus() const override { return true; }
  Property<std::string> Caption{this, "Caption"};
  Property<forms::Font> Font{this, "Font"};
  Property<forms::Color> ForeColor{this, "ForeColor", 0};
  Property<forms::Color> BackColor{this, "BackColor", forms::SystemButtonFace};
  // 0 unchecked, 1 checked, 2 grayed. Every change of Value raises Click, also from code.
  Property<int> Value{this, "Value", 0};

 protected:
  void OnPropertyChanged(PropertyBase& p) override;
};

class OptionButton final : public Control {
 public:
  OptionButton(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::OptionButton) {}
  bool CanFocus() const override { return true; }
  Property<std::string> Caption{this, "Caption"};
  Property<forms::Font> Font{this, "Font"};
  Property<forms::Color> ForeColor{this, "ForeColor", 0};
  Property<forms::Color> BackColor{this, "BackColor", forms::SystemButtonFace};
  // Becoming true unchecks the other option buttons of the same container and raises Click.
  Property<bool> Value{this, "Value", false};

 protected:
  void OnPropertyChanged(PropertyBase& p) override;
};

class ComboBox final : public Control {
 public:
  ComboBox(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::ComboBox) {}
  bool CanFocus() const override { return true; }
  Property<forms::ComboStyle> Style{this, "Style", forms::ComboStyle::DropDownCombo};
  Property<std::string> Text{this, "Text"};
  Property<forms::Font> Font{this, "Font"};
  Property<forms::Color> ForeColor{this, "ForeColor", 0};
  Property<forms::Color> BackColor{this, "BackColor", 0xFFFFFF};
  // -1 = no item. Setting it selects the item, sets Text and raises Click. In a drop-down
  // list, setting Text selects the item it names (or none) without a Click.
  Property<int> ListIndex{this, "ListIndex", -1};

  void AddItem(const std::string& item);
  void RemoveItem(int index);
  void Clear();
  int ListCount() const { return static_cast<int>(items_.size()); }
  const std::string& List(int index) const;  // raises for an index outside the list
  const std::vector<std::string>& Items() const { return items_; }

 protected:
  void OnPropertyChanged(PropertyBase& p) override;

 private:
  std::vector<std::string> items_;
};

// Raises Timer every Interval milliseconds while Enabled and Interval > 0.
class Timer final : public Control {
 public:
  Timer(Form& f, std::string name, int index = -1);
  bool IsWindowless() const override { return true; }
  bool TakesMouse() const override { return false; }
  Property<int> Interval{this, "Interval", 0};
  std::function<void()> Tick;  // the Timer event
  void RaiseTick();
  // For a timer whose ticks have nothing to do for a while: Rest stops the ticks and so every
  // wake-up they cost, Enabled and Interval staying as they are; Resume (or a change of Enabled
  // or Interval) lets them come again, counted from then.
  void Rest();
  void Resume();
  bool Resting() const { return resting_; }

 protected:
  void OnPropertyChanged(PropertyBase& p) override;

 private:
  bool resting_ = false;
};

// A track bar (Min..Max). Change is raised when the user changes the value, not for writes from code.
class Slider final : public Control {
 public:
  Slider(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::Slider) {}
  bool CanFocus() const override { return true; }
  Property<int> Min{this, "Min", 0};
  Property<int> Max{this, "Max", 10};
  Property<int> Value{this, "Value", 0};
  Property<int> SmallChange{this, "SmallChange", 1};
  Property<int> LargeChange{this, "LargeChange", 5};
  Property<int> TickFrequency{this, "TickFrequency", 1};
  Property<int> TickStyle{this, "TickStyle", 0};  // 0 bottom/right, 1 top/left, 2 both, 3 none
  std::function<void()> Scroll;
  // A user's change: clamps to Min..Max, sets Value and raises Change when it differs.
  void UserSetValue(int v);
};

// Scroll bars; Change is raised for every change of Value (from code too).
class ScrollBar : public Control {
 public:
  ScrollBar(Form& f, std::string name, int index, bool vertical)
      : Control(f, std::move(name), index, vertical ? ControlKind::VScrollBar : ControlKind::HScrollBar) {}
  bool CanFocus() const override { return true; }
  Property<int> Min{this, "Min", 0};
  Property<int> Max{this, "Max", 32767};
  Property<int> Value{this, "Value", 0};
  Property<int> SmallChange{this, "SmallChange", 1};
  Property<int> LargeChange{this, "LargeChange", 1};
  std::function<void()> Scroll;
  void UserSetValue(int v);

 protected:
  void OnPropertyChanged(PropertyBase& p) override;
};
class HScrollBar final : public ScrollBar {
 public:
  HScrollBar(Form& f, std::string name, int index = -1) : ScrollBar(f, std::move(name), index, false) {}
};
class VScrollBar final : public ScrollBar {
 public:
  VScrollBar(Form& f, std::string name, int index = -1) : ScrollBar(f, std::move(name), index, true) {}
};

// Tabs over pages; controls whose container is the tab strip show on their page only.
class TabStrip final : public Control {
 public:
  TabStrip(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::TabStrip) {}
  bool CanFocus() const override { return true; }
  Property<int> Tab{this, "Tab", 0};  // current page; changing it raises Click
  Property<forms::Font> Font{this, "Font"};
  std::vector<std::string> TabCaptions;
  int Tabs() const { return static_cast<int>(TabCaptions.size()); }

 protected:
  void OnPropertyChanged(PropertyBase& p) override;
};

// Shows local HTML pages, with a history for GoBack. The program's Navigate2 chooses a page;
// the links the user follows stay among the pages of that page's folder.
class WebBrowser final : public Control {
 public:
  WebBrowser(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::WebBrowser) {}
  void Navigate2(const std::string& path);
  void GoBack();  // raises a RuntimeError when there is no earlier page
  // A link the user followed: `target` is a path, absolute or relative to the page shown. It is
  // shown only when it is an HTML page (".html", ".htm") in the folder of the page the program
  // last navigated to, after symbolic links are resolved; anything else (another folder, a file
  // of another kind, a missing page) is not followed. True when it was followed.
  bool FollowLink(const std::string& target);
  // The folder links are confined to, which is also where a page may load pictures and style
  // sheets from (symbolic links resolved; empty before the first Navigate2).
  const std::filesystem::path& PagesFolder() const { return pagesFolder_; }
  // `file` (absolute) with symbolic links resolved when that is a regular file right in
  // `folder`; "" otherwise.
  static std::string FileInFolder(const std::filesystem::path& folder, const std::filesystem::path& file);
  std::string LocationURL() const;
  const std::vector<std::string>& History() const { return history_; }
  int HistoryPosition() const { return position_; }

 private:
  void Show(const std::string& path);

  std::vector<std::string> history_;
  int position_ = -1;
  std::filesystem::path pagesFolder_;  // symbolic links resolved; empty before the first Navigate2
};

// File, colour and printer dialogs, shown through the window system.
class CommonDialog final : public Control {
 public:
  CommonDialog(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::CommonDialog) {}
  bool IsWindowless() const override { return true; }
  bool TakesMouse() const override { return false; }
  Property<std::string> Filter{this, "Filter"};  // "Name|pattern|Name|pattern"
  Property<int> FilterIndex{this, "FilterIndex", 1};
  Property<std::string> FileName{this, "FileName"};
  Property<std::string> FileTitle{this, "FileTitle"};
  Property<std::string> DialogTitle{this, "DialogTitle"};
  Property<std::string> InitDir{this, "InitDir"};
  Property<std::string> DefaultExt{this, "DefaultExt"};
  Property<int> Flags{this, "Flags", 0};
  Property<bool> CancelError{this, "CancelError", false};
  Property<forms::Color> Color{this, "Color", 0};
  Property<int> Copies{this, "Copies", 1};
  Property<int> FromPage{this, "FromPage", 0};
  Property<int> ToPage{this, "ToPage", 0};
  Property<int> Min{this, "Min", 0};
  Property<int> Max{this, "Max", 0};
  // Each shows its dialog; on OK the properties hold the answer. On Cancel nothing changes
  // (FileName keeps its text) and, with CancelError set, a RuntimeError 32755 is raised.
  void ShowOpen();
  void ShowSave();
  void ShowColor();
  void ShowPrinter();

 private:
  void ShowFile(bool save);
};

// A place on the form where a control of a control library is hosted: the library's control
// draws itself on its own surface form, which the window system shows at this place.
class HostedControl final : public Control {
 public:
  HostedControl(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::Hosted) {}
  void SetSurface(Form* surface);
  Form* Surface() const { return surface_; }

 private:
  Form* surface_ = nullptr;
};

// A menu item. Top-level items have no parent; "-" as the caption is a separator line.
class Menu final : public Control {
 public:
  Menu(Form& f, std::string name, int index = -1) : Control(f, std::move(name), index, ControlKind::Menu) {}
  void SetParentMenu(Menu* parent);  // once, right after creation (Form::AddMenu does it)
  bool IsWindowless() const override { return true; }
  bool TakesMouse() const override { return false; }
  Property<std::string> Caption{this, "Caption"};
  Property<bool> Checked{this, "Checked", false};
  Menu* ParentMenu() const { return parent_; }
  const std::vector<Menu*>& Items() const { return items_; }
  bool IsSeparator() const { return Caption() == "-"; }

 private:
  friend class Form;  // places loaded array elements and takes destroyed ones out
  Menu* parent_ = nullptr;
  std::vector<Menu*> items_;
};

}  // namespace forms
