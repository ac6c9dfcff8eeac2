#include "dialogs/ModalSeam.h"

#include <QDialog>
#include <utility>

namespace {
ModalHook& InstalledHook() {
  static ModalHook hook;
  return hook;
}
}  // namespace

int RunModal(QDialog& dialog) {
  // A copy, because a hook may install another one while it runs (a dialog
  // opened from inside a dialog reaches this function again).
  const ModalHook hook = InstalledHook();
  if (hook) return hook(dialog);
  return dialog.exec();
}

void SetModalHook(ModalHook hook) { InstalledHook() = std::move(hook); }
