#pragma once
// Small helpers shared by every window that builds its controls in code.
#include <QDialog>
#include <QString>

#include "core/StringTable.h"
#include "platform/QtText.h"
#include "platform/Twips.h"

// Gives a new control its design name (its objectName) and returns it.
template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

// A text of the string table, in the language selected now.
inline QString ResText(int id) { return ToQString(fkt_LoadResText(id)); }

// A fixed-size dialog window: title and close box, no minimise or maximise
// box, client area in twips.
inline void MakeFixedDialog(QDialog& dialog, int widthTwips, int heightTwips) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                        Qt::MSWindowsFixedSizeDialogHint);
  dialog.setFixedSize(Px(widthTwips), Px(heightTwips));
}
