#include "glidebar/glidebar_logic.h"

#include <cmath>
#include <limits>
#include <utility>

#include "platform/basic/basic.h"

namespace glidebar {

namespace {

constexpr int kLeftButton = 1;
constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;
constexpr int kEnter = 13;

double ThumbLeftOf(double value) { return value * 15 + 60; }

// Characters, not bytes: the text is UTF-8.
size_t Length(std::string_view text) {
  size_t n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace

double ReadNumber(std::string_view text) {
  const std::optional<double> v = basic::ToNumber(text);
  if (!v) basic::Raise(basic::err::TypeMismatch);
  if (!std::isfinite(*v)) basic::Raise(basic::err::Overflow);
  return *v;
}

GlidebarLogic::GlidebarLogic(GlidebarView& view, GlidebarHost host) : view_(view), host_(std::move(host)) {}

void GlidebarLogic::MoveThumb(double value) {
  const double left = ThumbLeftOf(value);
  // A position no window can take.
  if (std::fabs(left) > std::numeric_limits<int32_t>::max()) basic::Raise(basic::err::Overflow);
  view_.SetThumbLeft(left);
}

void GlidebarLogic::Raise(com::DispId event) {
  if (host_.RaiseEvent) host_.RaiseEvent(event);
}

void GlidebarLogic::AmpSlider_MouseDown(int /*Button*/, int /*Shift*/, double /*X*/, double /*Y*/) {
  if (host_.GetCursorPos) ThumbCursorPos = host_.GetCursorPos();
  try {
    GrabOffset = basic::CLng(ThumbCursorPos.X - ReadNumber(view_.ValueText()));
    dragRefused_ = false;
  } catch (const basic::RuntimeError&) {
    dragRefused_ = true;
  }
}

void GlidebarLogic::AmpSlider_MouseMove(int Button, int /*Shift*/, double /*X*/, double /*Y*/) {
  if (Button != kLeftButton || dragRefused_) return;
  if (host_.GetCursorPos) ThumbCursorPos = host_.GetCursorPos();
  const int64_t level = static_cast<int64_t>(ThumbCursorPos.X) - GrabOffset;
  if (level < std::numeric_limits<int32_t>::min() || level > std::numeric_limits<int32_t>::max()) return;
  Level = static_cast<int32_t>(level);
  if (Level > 0 && Level < 100) {
    view_.SetThumbLeft(ThumbLeftOf(Level));
    view_.SetValueText(basic::CStr(Level));
  }
  Raise(event::MouseMove);
}

void GlidebarLogic::AmpSlider_KeyDown(int& KeyCode, int /*Shift*/) {
  if (KeyCode != kKeyLeft && KeyCode != kKeyRight) return;
  int32_t level = 0;
  try {
    level = basic::CLng(ReadNumber(view_.ValueText()));
  } catch (const basic::RuntimeError&) {
    return;  // not a whole number the step could start from: the key is ignored
  }
  Level = level;
  if (KeyCode == kKeyLeft) {
    if (Level <= 5) return;
    Level -= 5;
  } else {
    if (Level >= 95) return;
    Level += 5;
  }
  view_.SetThumbLeft(ThumbLeftOf(Level));
  view_.SetValueText(basic::CStr(Level));
  Raise(event::MouseMove);
}

void GlidebarLogic::ValueText_KeyPress(int& KeyAscii) {
  try {
    TypedText = view_.ValueText();
    if (Length(TypedText) > 3) view_.SetValueText("0");
    if (KeyAscii == kEnter) {
      const double value = ReadNumber(TypedText);
      if (value >= 0 && value <= 100) {
        MoveThumb(value);
        Raise(event::MouseMove);
      }
    }
  } catch (const basic::RuntimeError&) {
    // A typed value that is not a number is refused without a word.
  }
}

std::string GlidebarLogic::myvalue() const { return view_.ValueText(); }

void GlidebarLogic::Letmyvalue(const std::string& value) {
  view_.SetValueText(value);
  MoveThumb(ReadNumber(value));
  if (host_.PropertyChanged) host_.PropertyChanged("myvalue");
}

std::string GlidebarLogic::Max() const { return {}; }

void GlidebarLogic::LetMax(const std::string& /*value*/) {}

std::vector<PropertyWrite> GlidebarLogic::WriteProperties() const { return {{"MyValue", SavedValue, "0"}}; }

}  // namespace glidebar
