#include "dialogs/SpecialCharTarget.h"

#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <array>

std::uint8_t bytSpecialCharTarget = 0;

namespace {

// Notes a field's selection as the focus leaves it, before the field itself
// drops the selection.
class SelectionKeeper : public QObject {
 public:
  explicit SelectionKeeper(QLineEdit* field) : QObject(field) { field->installEventFilter(this); }

  void Restore(QLineEdit& field) const {
    if (start_ >= 0 && !field.hasSelectedText() && field.text() == text_) field.setSelection(start_, length_);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) {
      const auto* field = static_cast<const QLineEdit*>(watched);
      text_ = field->text();
      start_ = field->selectionStart();
      length_ = field->selectionLength();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QString text_;
  int start_ = -1;  // -1: nothing was selected
  int length_ = 0;
};

struct Target {
  // QPointer, so that a field destroyed without unregistering reads as none.
  QPointer<QLineEdit> field;
  QPointer<SelectionKeeper> keeper;
};

std::array<Target, 3>& Targets() {
  static std::array<Target, 3> targets;
  return targets;
}

Target* Find(int target) {
  if (target < 0 || target >= static_cast<int>(Targets().size())) return nullptr;
  return &Targets()[static_cast<std::size_t>(target)];
}

}  // namespace

void SetSpecialCharTargetField(int target, QLineEdit* field) {
  Target* entry = Find(target);
  if (entry == nullptr || entry->field == field) return;
  delete entry->keeper.data();
  entry->field = field;
  entry->keeper = field != nullptr ? new SelectionKeeper(field) : nullptr;
}

QLineEdit* SpecialCharTargetField(int target) {
  const Target* entry = Find(target);
  return entry != nullptr ? entry->field.data() : nullptr;
}

void RestoreSpecialCharTargetSelection(int target) {
  const Target* entry = Find(target);
  if (entry != nullptr && entry->field != nullptr && entry->keeper != nullptr) entry->keeper->Restore(*entry->field);
}
