// The find bar in the window: made by the first Ctrl+F, below the menu bar.
// While it shows, the window is taller by its height in the normal state, so
// every control of the design keeps its place and size; a maximized window
// gives the traffic list that much less height instead.
#include <QApplication>

#include "console/FindBar.h"
#include "console/TrafficView.h"
#include "console/frmMain.h"

int frmMain::FindBarHeight() const {
  return findBar_ != nullptr && !findBar_->isHidden() ? findBar_->sizeHint().height() : 0;
}

void frmMain::ShowFindBar() {
  if (findBar_ == nullptr) {
    findBar_ = new FindBar(*trafficList_, *lstSendReceive, this);
    addToolBar(Qt::TopToolBarArea, findBar_);
    connect(findBar_, &FindBar::CloseRequested, this, [this] { HideFindBar(); });
    connect(findBar_, &FindBar::CommandKeyPressed, this, [this](int keyCode) { fkt_PressCommandByKey(keyCode); });
  }
  if (findBar_->isHidden()) {
    const int before = height();
    findBar_->show();
    ApplyMinimumSize();
    if ((windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) == 0) {
      resize(width(), before + FindBarHeight());
    }
    ResizeControls();
  }
  findBar_->FocusField();
}

void frmMain::HideFindBar() {
  if (findBar_ == nullptr || findBar_->isHidden()) return;
  findBar_->Cancel();
  const int before = height();
  const int bar = FindBarHeight();
  const bool hadFocus = findBar_->isAncestorOf(QApplication::focusWidget());
  findBar_->hide();
  ApplyMinimumSize();
  if ((windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) == 0) resize(width(), before - bar);
  ResizeControls();
  if (hadFocus && lstSendReceive->isEnabled()) lstSendReceive->setFocus(Qt::OtherFocusReason);
}

void frmMain::FindStep(bool forward) {
  if (findBar_ != nullptr) findBar_->Step(forward);
}

bool frmMain::FindRunning() const { return findBar_ != nullptr && findBar_->Running(); }
