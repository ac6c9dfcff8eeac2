#pragma once
// Every dialog of this folder is shown modally through RunModal. A test
// installs a hook that acts on the dialog (fills fields, presses a button)
// instead of entering a real modal loop; the program never installs one.
#include <functional>

class QDialog;

using ModalHook = std::function<int(QDialog&)>;

// Shows `dialog` modally and returns its result code (QDialog::Accepted or
// QDialog::Rejected). With a hook installed the hook runs instead of exec().
int RunModal(QDialog& dialog);

// Installs (or, with an empty function, removes) the hook.
void SetModalHook(ModalHook hook);
