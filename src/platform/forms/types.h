// Value types shared by the forms layer: colours, fonts, pictures, points, constants.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QImage;

namespace forms {

// Colours are the program's colour numbers, 0x00BBGGRR (red in the low byte).
using Color = int32_t;
inline constexpr Color RGB(int r, int g, int b) { return (b << 16) | (g << 8) | r; }
// The system's colour for the face of buttons and dialogs (a system colour, not an RGB value;
// the window system shows it as its own button-face colour, light grey 0xC0C0C0 where it has none).
inline constexpr Color SystemButtonFace = static_cast<Color>(0x8000000Fu);
inline constexpr bool IsSystemColor(Color c) { return (static_cast<uint32_t>(c) & 0x80000000u) != 0; }

// Geometry is in twips; the screen has 15 twips to a pixel, always.
inline constexpr int TwipsPerPixel = 15;

struct Font {
  std::string Name = "MS Sans Serif";
  double Size = 8.25;  // points
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  int Weight = 400;  // 400 regular, 700 bold, 900 black; Bold follows Weight >= 600
  bool operator==(const Font&) const = default;
};

// A loaded picture. Empty when nothing is loaded. Cheap to copy (shared, immutable).
class Picture {
 public:
  Picture() = default;
  explicit Picture(std::shared_ptr<const QImage> image, std::string source = {});
  // A picture read from `path` when it is first drawn; its size (from the file's header) is
  // known at once. For the program's own pictures, which always read: one loaded for a window
  // that stays hidden costs nothing.
  static Picture Deferred(std::string path, int widthPx, int heightPx, std::string source);
  bool IsEmpty() const { return !image_ && !deferred_; }
  int WidthPx() const;
  int HeightPx() const;
  const QImage* Image() const;
  const std::string& Source() const { return source_; }  // resource id or file path, for tests
  // An icon's other sizes, besides the image above.
  const std::vector<std::shared_ptr<const QImage>>& OtherSizes() const { return otherSizes_; }
  void AddSize(std::shared_ptr<const QImage> image) { otherSizes_.push_back(std::move(image)); }
  bool operator==(const Picture& o) const {
    return image_ == o.image_ && deferred_ == o.deferred_ && otherSizes_ == o.otherSizes_;
  }

 private:
  struct DeferredImage {
    std::string path;
    int width = 0, height = 0;
    std::shared_ptr<const QImage> image;  // once read
  };
  std::shared_ptr<const QImage> image_;
  std::shared_ptr<DeferredImage> deferred_;
  std::string source_;
  std::vector<std::shared_ptr<const QImage>> otherSizes_;
};

// A screen point in pixels (the platform's POINTAPI record).
struct PointApi {
  int32_t x = 0;
  int32_t y = 0;
};

// Mouse buttons and shift state as the events carry them.
namespace button {
inline constexpr int Left = 1;
inline constexpr int Right = 2;
inline constexpr int Middle = 4;
}  // namespace button
namespace shift {
inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 4;
}  // namespace shift

// Virtual-key codes as the key events carry them.
namespace vk {
inline constexpr int Back = 8;
inline constexpr int Tab = 9;
inline constexpr int Return = 13;
inline constexpr int ShiftKey = 16;
inline constexpr int Control = 17;
inline constexpr int Menu = 18;
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int PageUp = 33;
inline constexpr int PageDown = 34;
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Insert = 45;
inline constexpr int Delete = 46;
inline constexpr int Key0 = 48;  // '0'..'9' are 48..57, 'A'..'Z' are 65..90
inline constexpr int KeyA = 65;
inline constexpr int Numpad0 = 96;  // 96..105
inline constexpr int Multiply = 106;
inline constexpr int Add = 107;
inline constexpr int Subtract = 109;
inline constexpr int Decimal = 110;
inline constexpr int Divide = 111;
inline constexpr int F1 = 112;  // F1..F12 are 112..123
inline constexpr int F10 = 121;
inline constexpr int F12 = 123;
inline constexpr int Semicolon = 186;
inline constexpr int Equals = 187;
inline constexpr int Comma = 188;
inline constexpr int Minus = 189;
inline constexpr int Period = 190;
inline constexpr int Slash = 191;
inline constexpr int Grave = 192;
inline constexpr int LeftBracket = 219;
inline constexpr int Backslash = 220;
inline constexpr int RightBracket = 221;
inline constexpr int Quote = 222;
}  // namespace vk

// Message box buttons, icons and answers.
namespace mb {
inline constexpr int OkOnly = 0;
inline constexpr int OkCancel = 1;
inline constexpr int YesNoCancel = 3;
inline constexpr int YesNo = 4;
inline constexpr int Critical = 16;
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
// answers
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
inline constexpr int Abort = 3;
inline constexpr int Retry = 4;
inline constexpr int Ignore = 5;
inline constexpr int AbortRetryIgnore = 2;
inline constexpr int RetryCancel = 5;

// The answer Escape and the close box give, or 0 where they do nothing: Cancel where the box
// has one, OK for a box with only OK. A box without either (Yes/No, Abort/Retry/Ignore) is
// ended only by one of its buttons, so shutting it can never pick a choice by accident (the
// No of a save prompt throws the work away).
constexpr int EscapeAnswer(int buttons) {
  switch (buttons & 7) {
    case OkOnly: return Ok;
    case OkCancel:
    case YesNoCancel:
    case RetryCancel: return Cancel;
    default: return 0;
  }
}
}  // namespace mb

// Common dialog flags.
namespace cdl {
// A Save dialog asks before it replaces an existing file.
inline constexpr int OFNOverwritePrompt = 2;
}  // namespace cdl

// Shape kinds, fill styles, back styles, border styles, alignments.
enum class ShapeKind { Rectangle = 0, Square = 1, Oval = 2, Circle = 3, RoundedRectangle = 4, RoundedSquare = 5 };
enum class FillStyle { Solid = 0, Transparent = 1 };
enum class BackStyle { Transparent = 0, Opaque = 1 };
enum class BorderStyle { Transparent = 0, Solid = 1, Dash = 2, Dot = 3, DashDot = 4, DashDotDot = 5, InsideSolid = 6 };
enum class Alignment { Left = 0, Right = 1, Center = 2 };
enum class ButtonStyle { Standard = 0, Graphical = 1 };
enum class ComboStyle { DropDownCombo = 0, Simple = 1, DropDownList = 2 };

}  // namespace forms
