#include "console/MainMenus.h"

#include <QMenuBar>

#include "platform/WidgetBuilding.h"

MainMenus::MainMenus(QMenuBar& bar)
    : mnuFile(Named(bar.addMenu(QString()), "mnuFile")),
      mnuFileLoadConfig(Named(mnuFile->addAction(QString()), "mnuFileLoadConfig")),
      mnuFileSaveConfig(Named(mnuFile->addAction(QString()), "mnuFileSaveConfig")),
      mnuEdit(Named(bar.addMenu(QString()), "mnuEdit")),
      mnuEditSettings(Named(mnuEdit->addAction(QString()), "mnuEditSettings")),
      mnuQuestion(Named(bar.addMenu(QString()), "mnuQuestion")),
      mnuQuestionProgramInfo(Named(mnuQuestion->addAction(QString()), "mnuQuestionProgramInfo")) {
  mnuFile->addSeparator()->setObjectName("mnuSpace1");
  mnuFileQuit = Named(mnuFile->addAction(QString()), "mnuFileQuit");
}

void MainMenus::ApplyLanguageTexts() const {
  mnuFile->setTitle(ResText(1001));
  mnuFileQuit->setText(ResText(1002));
  mnuFileLoadConfig->setText(ResText(1007));
  mnuFileSaveConfig->setText(ResText(1008));
  mnuEdit->setTitle(ResText(1003));
  mnuEditSettings->setText(ResText(1004));
  mnuQuestion->setTitle(ResText(1005));
  mnuQuestionProgramInfo->setText(ResText(1006));
}
