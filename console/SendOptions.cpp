#include "console/SendOptions.h"

#include <QAction>
#include <QMenu>

#include "core/AppSettings.h"
#include "platform/WidgetBuilding.h"

SendOptions::SendOptions(QMenu& editMenu) : QObject(&editMenu) {
  mnuEditAppendBlockCheck = editMenu.addAction(QString());
  mnuEditAppendBlockCheck->setObjectName("mnuEditAppendBlockCheck");
  mnuEditAppendBlockCheck->setCheckable(true);
  connect(mnuEditAppendBlockCheck, &QAction::triggered, this,
          [](bool checked) { AppSettings.AppendBlockCheck = checked ? 1 : 0; });
}

void SendOptions::ApplyLanguageTexts() { mnuEditAppendBlockCheck->setText(ResText(8382)); }

void SendOptions::TakeSettings() { mnuEditAppendBlockCheck->setChecked(AppSettings.AppendBlockCheck == 1); }
