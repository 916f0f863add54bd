#include "platform/forms/qt/qt_keys.h"

#include "platform/forms/types.h"

namespace forms::qtbackend {

int VirtualKey(int k, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return keypad ? vk::Numpad0 + (k - Qt::Key_0) : vk::Key0 + (k - Qt::Key_0);
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return vk::KeyA + (k - Qt::Key_A);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return vk::F1 + (k - Qt::Key_F1);
  if (keypad) {
    switch (k) {
      case Qt::Key_Asterisk: return vk::Multiply;
      case Qt::Key_Plus: return vk::Add;
      case Qt::Key_Minus: return vk::Subtract;
      case Qt::Key_Period:
      case Qt::Key_Comma: return vk::Decimal;
      case Qt::Key_Slash: return vk::Divide;
      // Keypad keys with Num Lock off.
      case Qt::Key_Insert: return vk::Numpad0;
      case Qt::Key_End: return vk::Numpad0 + 1;
      case Qt::Key_Down: return vk::Numpad0 + 2;
      case Qt::Key_PageDown: return vk::Numpad0 + 3;
      case Qt::Key_Left: return vk::Numpad0 + 4;
      case Qt::Key_Clear: return vk::Numpad0 + 5;
      case Qt::Key_Right: return vk::Numpad0 + 6;
      case Qt::Key_Home: return vk::Numpad0 + 7;
      case Qt::Key_Up: return vk::Numpad0 + 8;
      case Qt::Key_PageUp: return vk::Numpad0 + 9;
      case Qt::Key_Delete: return vk::Decimal;
      default: break;
    }
  }
  switch (k) {
    case Qt::Key_Backspace: return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return vk::Return;
    case Qt::Key_Shift: return vk::ShiftKey;
    case Qt::Key_Control: return vk::Control;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return vk::Menu;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return vk::Escape;
    case Qt::Key_Space: return vk::Space;
    case Qt::Key_PageUp: return vk::PageUp;
    case Qt::Key_PageDown: return vk::PageDown;
    case Qt::Key_End: return vk::End;
    case Qt::Key_Home: return vk::Home;
    case Qt::Key_Left: return vk::Left;
    case Qt::Key_Up: return vk::Up;
    case Qt::Key_Right: return vk::Right;
    case Qt::Key_Down: return vk::Down;
    case Qt::Key_Insert: return vk::Insert;
    case Qt::Key_Delete: return vk::Delete;
    case Qt::Key_NumLock: return 144;
    case Qt::Key_ScrollLock: return 145;
    case Qt::Key_Menu: return 93;
    // Shifted digits report their digit key.
    case Qt::Key_ParenRight: return vk::Key0;
    case Qt::Key_Exclam: return vk::Key0 + 1;
    case Qt::Key_At: return vk::Key0 + 2;
    case Qt::Key_NumberSign: return vk::Key0 + 3;
    case Qt::Key_Dollar: return vk::Key0 + 4;
    case Qt::Key_Percent: return vk::Key0 + 5;
    case Qt::Key_AsciiCircum: return vk::Key0 + 6;
    case Qt::Key_Ampersand: return vk::Key0 + 7;
    case Qt::Key_Asterisk: return vk::Key0 + 8;
    case Qt::Key_ParenLeft: return vk::Key0 + 9;
    // Punctuation keys, shifted or not.
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return vk::Semicolon;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return vk::Equals;
    case Qt::Key_Comma:
    case Qt::Key_Less: return vk::Comma;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return vk::Minus;
    case Qt::Key_Period:
    case Qt::Key_Greater: return vk::Period;
    case Qt::Key_Slash:
    case Qt::Key_Question: return vk::Slash;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
    case Qt::Key_Dead_Grave:
    case Qt::Key_Dead_Tilde: return vk::Grave;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return vk::LeftBracket;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return vk::Backslash;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return vk::RightBracket;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return vk::Quote;
    default: return 0;
  }
}

int ShiftState(Qt::KeyboardModifiers m) {
  return (m.testFlag(Qt::ShiftModifier) ? shift::Shift : 0) | (m.testFlag(Qt::ControlModifier) ? shift::Ctrl : 0) |
         (m.testFlag(Qt::AltModifier) ? shift::Alt : 0);
}

int ButtonCode(Qt::MouseButtons b) {
  return (b.testFlag(Qt::LeftButton) ? button::Left : 0) | (b.testFlag(Qt::RightButton) ? button::Right : 0) |
         (b.testFlag(Qt::MiddleButton) ? button::Middle : 0);
}

}  // namespace forms::qtbackend
