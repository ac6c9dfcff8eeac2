#include "dialogs/Dialogs.h"

#include "dialogs/EventGuard.h"
#include "dialogs/frmProgramInfo.h"
#include "dialogs/frmSettings.h"

void ShowSettingsDialog(QWidget* parent) {
  GuardEvent("ShowSettingsDialog", [parent] {
    frmSettings dialog(parent);
    dialog.Form_Load();
    RunModal(dialog);
  });
}

void ShowProgramInfoDialog(QWidget* parent) {
  GuardEvent("ShowProgramInfoDialog", [parent] {
    frmProgramInfo dialog(parent);
    dialog.Form_Load();
    RunModal(dialog);
  });
}
