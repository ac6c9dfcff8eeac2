#include "console/CommandKeys.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "platform/VirtualKey.h"

CommandKeys::CommandKeys(QLineEdit* sendLine, std::vector<QLineEdit*> slotFields, QPushButton* defaultButton,
                         Handlers handlers, QObject* parent)
    : QObject(parent),
      sendLine_(sendLine),
      slotFields_(std::move(slotFields)),
      defaultButton_(defaultButton),
      handlers_(std::move(handlers)) {}

void CommandKeys::Watch(const std::vector<QWidget*>& controls) {
  for (QWidget* control : controls) control->installEventFilter(this);
}

bool CommandKeys::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::KeyPress;
  const bool release = event->type() == QEvent::KeyRelease;
  if (!press && !release) return false;

  const auto* key = static_cast<QKeyEvent*>(event);
  const int code = VirtualKey::FromEvent(*key);
  auto* field = qobject_cast<QLineEdit*>(watched);
  const bool slotField =
      field != nullptr && std::find(slotFields_.begin(), slotFields_.end(), field) != slotFields_.end();

  if (release) {
    // Auto-repeat delivers release/press pairs while a key is held; only the
    // real release counts.
    if (slotField && !key->isAutoRepeat()) handlers_.slotKeyUp(field, code);
    if (watched == sendLine_) handlers_.sendLineKeyUp();
    return false;
  }

  if (!slotField) handlers_.keyDown(code);
  if (code >= VirtualKey::F1 && code <= VirtualKey::F8) return true;

  if (watched == sendLine_ && (code == VirtualKey::Up || code == VirtualKey::Down) &&
      VirtualKey::Modifiers(*key) == 0) {
    handlers_.sendLineRecall(code == VirtualKey::Up);
    return true;
  }
  if (code == VirtualKey::Enter && qobject_cast<QPushButton*>(watched) == nullptr) {
    // The default button takes Enter before any key handler of the control;
    // with it disabled nothing happens.
    if (defaultButton_->isEnabled()) defaultButton_->click();
    return true;
  }
  return false;
}
