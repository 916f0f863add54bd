// A form: a top-level window with its controls and menu bar. Each window of the program is
// a class derived from Form that makes its controls in its constructor (the design) and
// overrides the Form_ event handlers it needs.
#pragma once

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/forms/control.h"

namespace forms {

class FormPeer;
class WindowSystem;

// How a form is being unloaded (the QueryUnload mode).
namespace unload_mode {
inline constexpr int FormControlMenu = 0;  // the user closed the window
inline constexpr int FormCode = 1;         // Unload from code
inline constexpr int AppWindows = 2;       // the session ends
}  // namespace unload_mode

class Form : public PropertyOwner {
 public:
  Form(WindowSystem& system, std::string name);
  ~Form() override;

  WindowSystem& System() const { return system_; }
  const std::string& Name() const { return name_; }

  Property<std::string> Caption{this, "Caption"};
  // Outer position and size in twips (the position in the coordinates that GetCursorPos uses).
  Property<double> Left{this, "Left"};
  Property<double> Top{this, "Top"};
  Property<double> Width{this, "Width"};
  Property<double> Height{this, "Height"};
  Property<forms::Color> BackColor{this, "BackColor", forms::SystemButtonFace};
  Property<forms::Color> ForeColor{this, "ForeColor", 0};
  Property<forms::Picture> Picture{this, "Picture"};  // drawn at the client area's top-left, own size
  Property<forms::Picture> Icon{this, "Icon"};
  Property<forms::Font> Font{this, "Font"};
  Property<bool> Enabled{this, "Enabled", true};
  Property<bool> KeyPreview{this, "KeyPreview", false};
  Property<bool> ControlBox{this, "ControlBox", true};
  Property<bool> MinButton{this, "MinButton", true};
  Property<bool> MaxButton{this, "MaxButton", true};
  Property<int> BorderStyle{this, "BorderStyle", 2};  // 0 none, 1 fixed single, 2 sizable, 3 fixed dialog, 4 tool
  Property<int> WindowState{this, "WindowState", 0};  // 0 normal, 1 minimized, 2 maximized
  Property<int> StartUpPosition{this, "StartUpPosition", 0};  // 0 manual, 1 centre owner, 2 centre screen

  // Client area in twips. SetClientSize is for the design: it makes Width and Height the
  // client size plus the window frame (and menu bar) of this form.
  double ScaleWidth() const;
  double ScaleHeight() const;
  void SetClientSize(double width, double height);
  // Frame sizes in twips around the client area: left/right border, top (title and menu bar), bottom.
  double FrameLeft() const;
  double FrameTop() const;

  bool Visible() const { return visible_; }
  bool IsLoaded() const { return loaded_; }
  // First use: makes the window (its peer) and runs Form_Load. Later calls do nothing.
  void Load();
  // Loads when needed, then shows; modal 1 waits (pumping events) until the form hides.
  void Show(int modal = 0);
  void Hide();
  // Runs Form_QueryUnload and Form_Unload with the given mode; unless cancelled, the window
  // goes away and IsLoaded becomes false. The object and its controls stay valid; the program
  // makes a fresh form for the next use.
  void Unload(int mode = unload_mode::FormCode);
  void PrintForm();
  void SetFocus();
  void Refresh();
  void ZOrder(int position = 0);

  // Keyboard focus and tab order (TabIndex among controls that can take the focus).
  Control* ActiveControl() const { return active_; }
  void SetActiveControl(Control* c);  // raises LostFocus on the old, GotFocus on the new
  // Tab and Shift+Tab: the next (previous) control in TabIndex order that can take the focus,
  // round the form. A group of option buttons (one container and tab page) is one stop, at its
  // checked option, or its first when none is checked.
  void FocusNext(bool backwards = false);
  // The arrow keys on an option button: the focus moves to the next (or previous) option of its
  // group in TabIndex order, round the group, and checks it. False when there is none to go to.
  bool StepOptionGroup(OptionButton& from, bool forward);

  // Controls, in creation order; the z-order within each layer (windowless below windowed).
  template <typename T>
  T& Add(std::string name) {
    return Create<T>(std::move(name), -1);
  }
  template <typename T>
  T& Create(std::string name, int index) {
    auto c = std::make_unique<T>(*this, std::move(name), index);
    T& ref = *c;
    Adopt(std::move(c));
    return ref;
  }
  // A copy of `model` as element `index` of its array: same container, hidden. The copy
  // takes the values silently (no events, no peer notices before it exists); a copied
  // option button starts unselected, as only one of its group can be.
  template <typename T>
  T& CreateCopy(const T& model, int index) {
    auto c = std::make_unique<T>(*this, model.Name(), index);
    T& ref = *c;
    ref.SetContainer(model.Container(), model.TabPage());
    ref.InitPropertiesFrom(model);
    ref.Visible.Init(false);
    if constexpr (std::is_same_v<T, OptionButton>) ref.Value.Init(false);
    if constexpr (std::is_same_v<T, Menu>) PlaceMenuCopy(ref, model);
    Adopt(std::move(c));
    return ref;
  }
  void Destroy(Control& c);
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
  const std::vector<Control*>& ZOrderList() const { return zorder_; }  // back to front
  Control* FindControl(std::string_view name, int index = -1) const;

  Menu& AddMenu(std::string name, std::string caption, Menu* parent = nullptr, int index = -1);
  const std::vector<Menu*>& MenuBar() const { return menuBar_; }

  // When this form is the surface of a hosted control, the place that hosts it.
  HostedControl* Host() const { return host_; }
  void SetHost(HostedControl* host) { host_ = host; }

  FormPeer* Peer() const { return peer_.get(); }

  // Event handlers; a window class overrides those it needs.
  virtual void Form_Load() {}
  virtual void Form_QueryUnload(int& /*Cancel*/, int /*UnloadMode*/) {}
  virtual void Form_Unload(int& /*Cancel*/) {}
  virtual void Form_Terminate() {}
  virtual void Form_Activate() {}
  virtual void Form_Deactivate() {}
  virtual void Form_Resize() {}
  virtual void Form_Click() {}
  virtual void Form_DblClick() {}
  virtual void Form_MouseDown(int /*Button*/, int /*Shift*/, double /*X*/, double /*Y*/) {}
  virtual void Form_MouseMove(int /*Button*/, int /*Shift*/, double /*X*/, double /*Y*/) {}
  virtual void Form_MouseUp(int /*Button*/, int /*Shift*/, double /*X*/, double /*Y*/) {}
  virtual void Form_KeyDown(int& /*KeyCode*/, int /*Shift*/) {}
  virtual void Form_KeyUp(int& /*KeyCode*/, int /*Shift*/) {}
  virtual void Form_KeyPress(int& /*KeyAscii*/) {}

  // Used by the window system.
  void SetVisibleState(bool v);  // the window was shown or hidden by the system
  void ControlPropertyChanged(Control& c, PropertyBase& p);
  void MenuAdded(Menu& m);

 protected:
  void PropertyChanged(PropertyBase& p) override;

 private:
  void Adopt(std::unique_ptr<Control> c);
  // A loaded menu array element goes under the same parent, after the array's last element.
  void PlaceMenuCopy(Menu& copy, const Menu& model);

  WindowSystem& system_;
  std::string name_;
  bool loaded_ = false;
  bool visible_ = false;
  std::unique_ptr<FormPeer> peer_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<Control*> zorder_;
  std::vector<Menu*> menuBar_;
  Control* active_ = nullptr;
  HostedControl* host_ = nullptr;
};

}  // namespace forms
