// The Glidebar's behaviour without any window: the thumb drag, the arrow keys, the typed value,
// the two properties and what is saved. The value is the text of the value box; the thumb's
// left edge shows it at value * 15 + 60 twips (one value step per screen pixel).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "glidebar/identity.h"

namespace glidebar {

// The constituents the behaviour reads and writes: the text of `ValueText` and the left edge of
// `AmpSlider` (twips).
class GlidebarView {
 public:
  virtual ~GlidebarView() = default;
  virtual std::string ValueText() const = 0;
  virtual void SetValueText(const std::string& text) = 0;
  virtual double ThumbLeft() const = 0;
  virtual void SetThumbLeft(double twips) = 0;
};

// The design values: text "75", thumb at 1200.
inline constexpr std::string_view kDesignText = "75";
inline constexpr double kDesignThumbLeft = 1200;

// A view that only holds the two values.
class MemoryView final : public GlidebarView {
 public:
  std::string ValueText() const override { return text_; }
  void SetValueText(const std::string& text) override { text_ = text; }
  double ThumbLeft() const override { return left_; }
  void SetThumbLeft(double twips) override { left_ = twips; }

 private:
  std::string text_{kDesignText};
  double left_ = kDesignThumbLeft;
};

// What the control needs from its host.
struct GlidebarHost {
  std::function<POINTAPI()> GetCursorPos;                   // screen pixels
  std::function<void(com::DispId)> RaiseEvent;              // an event of __Glidebar
  std::function<void(std::string_view)> PropertyChanged;    // a property's new value may be saved
};

// One entry the control writes into its host's property bag: the host stores it unless the
// value equals the default.
struct PropertyWrite {
  std::string name;
  std::string value;
  std::string defaultValue;
  bool operator==(const PropertyWrite&) const = default;
};

class GlidebarLogic {
 public:
  GlidebarLogic(GlidebarView& view, GlidebarHost host);

  // Handlers of the thumb (`AmpSlider`) and of the value box (`ValueText`).
  void AmpSlider_MouseDown(int Button, int Shift, double X, double Y);
  void AmpSlider_MouseMove(int Button, int Shift, double X, double Y);
  void AmpSlider_KeyDown(int& KeyCode, int Shift);
  void ValueText_KeyPress(int& KeyAscii);

  // Property `myvalue`: the text as it stands. Let: sets the text, then moves the thumb to the
  // text read as a number; text that is not a number stays set and raises RuntimeError 13.
  std::string myvalue() const;
  void Letmyvalue(const std::string& value);
  // Property `Max`: always empty; a let does nothing.
  std::string Max() const;
  void LetMax(const std::string& value);

  // Persistence: reading saved properties changes nothing; writing gives one entry.
  void ReadProperties() {}
  std::vector<PropertyWrite> WriteProperties() const;

  // Fields.
  POINTAPI ThumbCursorPos;
  int32_t GrabOffset = 0;
  int32_t Level = 0;
  std::string TypedText;
  std::string SavedValue;

 private:
  void MoveThumb(double value);
  void Raise(com::DispId event);

  GlidebarView& view_;
  GlidebarHost host_;
  // A press while the text was not a number starts no drag: the moves that follow are ignored.
  bool dragRefused_ = false;
};

// The text read as a number, as the property and the handlers read it: leading and trailing
// blanks allowed; RuntimeError 13 when it is not a number, 6 when it is too large.
double ReadNumber(std::string_view text);

}  // namespace glidebar
