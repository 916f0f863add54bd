// Control arrays: elements share a name and are told apart by Index. Element 0 (or the
// lowest designed element) is made at window design; Load(i) makes a hidden copy of it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/basic/basic.h"
#include "platform/forms/form.h"

namespace forms {

template <typename T>
class ControlArray {
 public:
  ControlArray(Form& form, std::string name) : form_(form), name_(std::move(name)) {}
  ControlArray(const ControlArray&) = delete;
  ControlArray& operator=(const ControlArray&) = delete;

  // A designed element.
  T& Design(int index) {
    if (Exists(index)) basic::Raise(360, "Object already loaded");
    T& c = form_.template Create<T>(name_, index);
    Put(index, &c);
    return c;
  }

  // A designed element made elsewhere under this array's name, with its index (a menu item
  // made by Form::AddMenu, which places it under its parent menu).
  T& Design(T& element) {
    if (element.Name() != name_ || element.Index() < 0) basic::Raise(basic::err::InvalidCall);
    if (Exists(element.Index())) basic::Raise(360, "Object already loaded");
    Put(element.Index(), &element);
    return element;
  }

  // A run-time element: a hidden copy of the lowest existing element, in the same container.
  T& Load(int index) {
    if (index < 0) basic::Raise(basic::err::SubscriptOutOfRange);
    if (Exists(index)) basic::Raise(360, "Object already loaded");
    T* model = Lowest();
    if (!model) basic::Raise(340, "Control array element '" + std::to_string(index) + "' doesn't exist");
    T& c = form_.template CreateCopy<T>(*model, index);
    Put(index, &c);
    return c;
  }

  void Unload(int index) {
    T& c = (*this)[index];
    items_[static_cast<size_t>(index)] = nullptr;
    form_.Destroy(c);
  }

  bool Exists(int index) const {
    return index >= 0 && static_cast<size_t>(index) < items_.size() && items_[static_cast<size_t>(index)];
  }
  T& operator[](int index) const {
    if (!Exists(index))
      basic::Raise(340, "Control array element '" + std::to_string(index) + "' doesn't exist");
    return *items_[static_cast<size_t>(index)];
  }
  T& operator()(int index) const { return (*this)[index]; }
  int LBound() const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i]) return static_cast<int>(i);
    return 0;
  }
  int UBound() const {
    for (size_t i = items_.size(); i-- > 0;)
      if (items_[i]) return static_cast<int>(i);
    return -1;
  }
  int Count() const {
    int n = 0;
    for (T* p : items_) n += p != nullptr;
    return n;
  }
  const std::string& Name() const { return name_; }

  // Indexed events: each element's events arrive here with its Index.
  std::function<void(int Index)> Click, DblClick, Change, GotFocus, LostFocus;
  std::function<void(int Index, int Button, int Shift, double X, double Y)> MouseDown, MouseMove, MouseUp;
  std::function<void(int Index, int& KeyCode, int Shift)> KeyDown, KeyUp;
  std::function<void(int Index, int& KeyAscii)> KeyPress;

 private:
  T* Lowest() const {
    for (T* p : items_)
      if (p) return p;
    return nullptr;
  }
  void Put(int index, T* c) {
    if (index < 0) basic::Raise(basic::err::SubscriptOutOfRange);
    if (static_cast<size_t>(index) >= items_.size()) items_.resize(static_cast<size_t>(index) + 1, nullptr);
    items_[static_cast<size_t>(index)] = c;
    Wire(*c, index);
  }
  void Wire(T& c, int i) {
    c.Click = [this, i] { if (Click) Click(i); };
    c.DblClick = [this, i] { if (DblClick) DblClick(i); };
    c.Change = [this, i] { if (Change) Change(i); };
    c.GotFocus = [this, i] { if (GotFocus) GotFocus(i); };
    c.LostFocus = [this, i] { if (LostFocus) LostFocus(i); };
    c.MouseDown = [this, i](int b, int s, double x, double y) { if (MouseDown) MouseDown(i, b, s, x, y); };
    c.MouseMove = [this, i](int b, int s, double x, double y) { if (MouseMove) MouseMove(i, b, s, x, y); };
    c.MouseUp = [this, i](int b, int s, double x, double y) { if (MouseUp) MouseUp(i, b, s, x, y); };
    c.KeyDown = [this, i](int& k, int s) { if (KeyDown) KeyDown(i, k, s); };
    c.KeyUp = [this, i](int& k, int s) { if (KeyUp) KeyUp(i, k, s); };
    c.KeyPress = [this, i](int& k) { if (KeyPress) KeyPress(i, k); };
  }

  Form& form_;
  std::string name_;
  std::vector<T*> items_;
};

}  // namespace forms
