#include "platform/VirtualKey.h"

namespace VirtualKey {

int FromEvent(const QKeyEvent& event) {
  const int key = event.key();
  const bool keypad = (event.modifiers() & Qt::KeypadModifier) != 0;
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return (keypad ? 96 : 48) + (key - Qt::Key_0);
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 65 + (key - Qt::Key_A);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return F1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return Enter;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return Escape;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return Left;
    case Qt::Key_Up: return Up;
    case Qt::Key_Right: return Right;
    case Qt::Key_Down: return Down;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Period: return keypad ? 110 : 190;
    case Qt::Key_Comma: return 188;
    case Qt::Key_Minus: return keypad ? 109 : 189;
    default: return 0;
  }
}

int Modifiers(const QKeyEvent& event) {
  const Qt::KeyboardModifiers m = event.modifiers();
  return ((m & Qt::ShiftModifier) ? 1 : 0) + ((m & Qt::ControlModifier) ? 2 : 0) + ((m & Qt::AltModifier) ? 4 : 0);
}

}  // namespace VirtualKey
