#pragma once
// The dialogs and the IPv4 entry control, as the main window uses them.
//
// Each dialog is created when it is shown and destroyed when it closes, so
// every opening loads it afresh from AppSettings and in the language held at
// that moment. The settings dialog changes AppSettings in memory only (on OK);
// the caller re-binds the link and re-applies its own texts after it closes,
// whichever way. The special-character picker types its token into one of
// three registered fields (see SpecialCharTarget.h). All of them are shown
// modally through RunModal (ModalSeam.h), where tests step in.
#include "dialogs/ModalSeam.h"
#include "dialogs/SpecialCharTarget.h"
#include "dialogs/frmSpecialChar.h"

class QWidget;

// Shows the settings dialog modally; returns when it has closed.
void ShowSettingsDialog(QWidget* parent);

// Shows the program information dialog modally; returns when it has closed.
void ShowProgramInfoDialog(QWidget* parent);
