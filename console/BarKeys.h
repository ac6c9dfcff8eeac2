#pragma once
// The keys every tool bar below the menu bar (find, filter) takes for itself
// before the window sees them: Esc closes the bar, and is taken even as a
// shortcut override, before the window's Esc shortcut (quit) sees it; F1 to
// F8 still press the command slots. A bar's event filter asks TakeBarKey
// first and handles only the key presses it leaves to the bar (Own).
#include <functional>

class QEvent;

enum class BarKey {
  NotAKey,  // no key event: the base class's filter decides
  Taken,    // handled here: the filter returns true
  Ignored,  // a shortcut override of another key: the filter returns false
  Own,      // a key press for the bar's own keys (Enter in its field)
};

BarKey TakeBarKey(QEvent& event, const std::function<void()>& close,
                  const std::function<void(int keyCode)>& pressCommandKey);
