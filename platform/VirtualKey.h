#pragma once
// Key handlers work with the classic virtual-key codes (13 Enter, 37..40 the
// arrows, 48..57 digits, 96..105 keypad digits, 112..119 F1..F8) and the
// modifier state 1 Shift, 2 Ctrl, 4 Alt, summed. This maps Qt's key events
// onto them.
#include <QKeyEvent>

namespace VirtualKey {

inline constexpr int Enter = 13;
inline constexpr int Escape = 27;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int F1 = 112;
inline constexpr int F8 = 119;

// The code of a key event; 0 for keys without one.
int FromEvent(const QKeyEvent& event);
// 1 Shift + 2 Ctrl + 4 Alt.
int Modifiers(const QKeyEvent& event);

}  // namespace VirtualKey
