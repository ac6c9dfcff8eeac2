// The operator's tools on the traffic list beyond the design: their menu
// entries and the counters and reply times in the status bar; copying and
// saving are in ListActions.
#include <QAction>
#include <QMenu>
#include <QStatusBar>
#include <chrono>

#include "console/CountersPanel.h"
#include "console/ListActions.h"
#include "console/TrafficView.h"
#include "console/frmMain.h"
#include "platform/WidgetBuilding.h"
#include "traffic/TrafficListModel.h"
#include "traffic/TrafficSession.h"

void frmMain::CreateListTools() {
  // At the end of the existing menus; none of the shortcuts is F1..F8,
  // Enter or Esc.
  mnuFile->addSeparator()->setObjectName("mnuSpace2");
  mnuFileSaveList = mnuFile->addAction(QString());
  mnuFileSaveList->setObjectName("mnuFileSaveList");
  connect(mnuFileSaveList, &QAction::triggered, this, [this] { mnuFileSaveList_Click(); });

  mnuEdit->addSeparator()->setObjectName("mnuSpace3");
  mnuEditCopy = mnuEdit->addAction(QString());
  mnuEditCopy->setObjectName("mnuEditCopy");
  // A text field with the focus keeps Ctrl+C for its own text.
  mnuEditCopy->setShortcut(QKeySequence::Copy);
  connect(mnuEditCopy, &QAction::triggered, this, [this] { CopySelection(); });
  mnuEditFind = mnuEdit->addAction(QString());
  mnuEditFind->setObjectName("mnuEditFind");
  mnuEditFind->setShortcut(QKeySequence::Find);
  connect(mnuEditFind, &QAction::triggered, this, [this] { ShowFindBar(); });

  // The design's panel keeps the room its text needs; the counters take
  // what is left, in their compact form at the window's minimum width.
  stbCounters =
      Named(new CountersPanel(
                [this] {
                  const auto now = std::chrono::steady_clock::now().time_since_epoch();
                  return session_->ReadCounters(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
                },
                statusBar()),
            "stbCounters");
  statusBar()->addPermanentWidget(stbCounters);
}

void frmMain::CopySelection() { CopyEntries(*trafficList_, lstSendReceive->Selection()); }

void frmMain::mnuFileSaveList_Click() {
  if (exporting_) return;
  exporting_ = true;
  SaveListAs(this, *trafficList_);
  exporting_ = false;
}
