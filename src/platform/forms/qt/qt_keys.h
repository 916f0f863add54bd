// Keyboard and mouse codes: Qt's keys, buttons and modifiers as the forms layer carries them.
#pragma once

#include <Qt>

namespace forms::qtbackend {

// The virtual-key code of a Qt key (the unshifted key of a US keyboard for punctuation);
// 0 for keys that have none.
int VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);
// Shift state: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftState(Qt::KeyboardModifiers modifiers);
// Mouse buttons: 1 left, 2 right, 4 middle.
int ButtonCode(Qt::MouseButtons buttons);

}  // namespace forms::qtbackend
