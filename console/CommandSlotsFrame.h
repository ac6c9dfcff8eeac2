#pragma once
// fraCommands: the eight command slots, each a button (cmdBefehl1..8) above
// a field with its command (txtBefehl1..8). Slots 1 and 2 hold the fixed
// sample frames; their fields are never editable. Each field's tooltip shows
// its whole text. The window decides what a button press and the keys do.
#include <QGroupBox>
#include <array>

#include "console/CommandFile.h"

class QLineEdit;
class QPushButton;

class CommandSlotsFrame : public QGroupBox {
 public:
  explicit CommandSlotsFrame(QWidget* parent);

  // The frame's title and the captions of slots 3 to 8.
  void ApplyLanguageTexts();
  CommandTexts Texts() const;
  // The texts of slots 3 to 8 and every tooltip; slots 1 and 2 keep the samples.
  void SetTexts(const CommandTexts& texts);
  // Every field's tooltip to its text now.
  void RefreshToolTips();

  std::array<QPushButton*, kCommandSlotCount> cmdBefehl{};
  std::array<QLineEdit*, kCommandSlotCount> txtBefehl{};
};
