#include "console/CommandSlotsFrame.h"

#include <QLineEdit>
#include <QPushButton>

#include "console/CommandSlotTexts.h"
#include "console/MainWindowGeometry.h"
#include "platform/NotationField.h"
#include "platform/WidgetBuilding.h"

CommandSlotsFrame::CommandSlotsFrame(QWidget* parent) : QGroupBox(parent) {
  setObjectName("fraCommands");
  for (int n = 0; n < kCommandSlotCount; ++n) {
    cmdBefehl[n] = new QPushButton(this);
    cmdBefehl[n]->setObjectName(QStringLiteral("cmdBefehl%1").arg(n + 1));
    PlaceControl(*cmdBefehl[n], SlotButtonPlace(n));
    txtBefehl[n] = new QLineEdit(this);
    txtBefehl[n]->setObjectName(QStringLiteral("txtBefehl%1").arg(n + 1));
    PlaceControl(*txtBefehl[n], SlotFieldPlace(n));
    MakeNotationField(txtBefehl[n]);
  }
  cmdBefehl[0]->setText(ToQString(kSampleCaption1));
  cmdBefehl[1]->setText(ToQString(kSampleCaption2));
  txtBefehl[0]->setText(ToQString(kSampleCommand1));
  txtBefehl[1]->setText(ToQString(kSampleCommand2));
  txtBefehl[0]->setEnabled(false);
  txtBefehl[1]->setEnabled(false);
}

void CommandSlotsFrame::ApplyLanguageTexts() {
  setTitle(ResText(1009));
  for (int n = 3; n <= kCommandSlotCount; ++n) {
    const std::string number = std::to_string(n);
    cmdBefehl[n - 1]->setText(ToQString(fkt_FormatInsertParam(fkt_LoadResText(1035), number, number)));
  }
}

CommandTexts CommandSlotsFrame::Texts() const {
  CommandTexts texts;
  for (int n = 0; n < kCommandSlotCount; ++n) texts[n] = FromQString(txtBefehl[n]->text());
  return texts;
}

void CommandSlotsFrame::SetTexts(const CommandTexts& texts) {
  for (int n = 2; n < kCommandSlotCount; ++n) txtBefehl[n]->setText(ToQString(texts[n]));
  RefreshToolTips();
}

void CommandSlotsFrame::RefreshToolTips() {
  for (QLineEdit* field : txtBefehl) field->setToolTip(field->text());
}
