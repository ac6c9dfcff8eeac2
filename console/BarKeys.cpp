#include "console/BarKeys.h"

#include <QKeyEvent>

#include "platform/VirtualKey.h"

BarKey TakeBarKey(QEvent& event, const std::function<void()>& close,
                  const std::function<void(int keyCode)>& pressCommandKey) {
  const bool override = event.type() == QEvent::ShortcutOverride;
  if (!override && event.type() != QEvent::KeyPress) return BarKey::NotAKey;
  const auto& key = static_cast<const QKeyEvent&>(event);
  if (key.key() == Qt::Key_Escape) {
    event.accept();
    if (!override) close();
    return BarKey::Taken;
  }
  if (override) return BarKey::Ignored;
  const int code = VirtualKey::FromEvent(key);
  if (code >= VirtualKey::F1 && code <= VirtualKey::F8) {
    pressCommandKey(code);
    return BarKey::Taken;
  }
  return BarKey::Own;
}
