// Geometry of the main window: design places in twips, and the layout that
// keeps the right-hand column and the bottom row at their distance from the
// window's edges.
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <algorithm>

#include "console/TrafficView.h"
#include "console/frmMain.h"
#include "platform/Twips.h"

void frmMain::SetDesignGeometry() {
  labSendText->setGeometry(TwipsRect(60, 120, 1620, 195));
  txtSend->setGeometry(TwipsRect(60, 360, 6915, 285));
  cmdInsertSpecialChar->setGeometry(TwipsRect(4560, 30, 2415, 315));
  cmdBlockcheck->setGeometry(TwipsRect(7080, 30, 3495, 315));
  cmdSend->setGeometry(TwipsRect(7080, 390, 3480, 405));
  labSendReceiveText->setGeometry(TwipsRect(60, 690, 2700, 195));
  lstSendReceive->setGeometry(TwipsRect(60, 930, 6915, 6180));
  fraCommands->setGeometry(TwipsRect(7080, 840, 3495, 6285));
  for (int n = 0; n < kSlotCount; ++n) {
    cmdBefehl[n]->setGeometry(TwipsRect(120, 240 + 750 * n, 3300, 315));
    txtBefehl[n]->setGeometry(TwipsRect(120, 570 + 750 * n, 3300, 315));
  }
  cmdDelete->setGeometry(TwipsRect(60, 7170, 2400, 315));
  cmdQuit->setGeometry(TwipsRect(7080, 7170, 3480, 375));
  chkDatalogging->setGeometry(TwipsRect(120, 7560, 1755, 255));
  txtFilename->setGeometry(TwipsRect(2040, 7560, 4875, 315));
}

QSize frmMain::OuterSizeTwips() const {
  // The menu bar's own height may not be settled before the window is shown;
  // its size hint is.
  // The find bar, while it shows, counts as part of the frame too.
  const int menuHeight = menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height();
  const int clientHeight = height() - menuHeight - FindBarHeight();
  return {Twips(width()) + kFrameWidth, Twips(clientHeight) + kFrameHeight};
}

void frmMain::ApplyMinimumSize() {
  setMinimumSize(Px(kMinWidth - kFrameWidth),
                 Px(kMinHeight - kFrameHeight) + menuBar()->sizeHint().height() + FindBarHeight());
}

bool frmMain::CheckMinimumSize(int minWidth, int minHeight, int width, int height) {
  // A minimized window keeps its size here; it must not be laid out either.
  if (width < 3000 || height < 500 || isMinimized()) return false;

  const bool normal = (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) == 0;
  const bool narrow = width < minWidth && normal;
  const bool low = height < minHeight && normal;
  if (!narrow && !low) return true;
  // One resize to an absolute size: the resize event it raises may run this
  // check again before it returns, and must then find the same target rather
  // than add the deficit a second time.
  const QSize target(narrow ? this->width() + Px(minWidth - width) : this->width(),
                     low ? this->height() + Px(minHeight - height) : this->height());
  resize(target);
  // The new size raises its own resize event, which lays the controls out.
  update();
  return false;
}

void frmMain::ResizeControls() {
  // The layout runs inside the resize event; events that arrived meanwhile
  // are handled as soon as it returns.
  const QSize outer = OuterSizeTwips();
  const int w = outer.width();
  const int h = outer.height();
  if (!CheckMinimumSize(kMinWidth, kMinHeight, w, h)) return;

  auto px = [](int twips) { return std::max(0, Px(twips)); };
  lstSendReceive->resize(px(w - 3855), px(h - 2910));
  txtSend->resize(px(w - 3855), txtSend->height());
  cmdQuit->move(px(w - 3690), px(h - 1920));
  cmdDelete->move(cmdDelete->x(), px(h - 1920));
  cmdSend->move(px(w - 3690), cmdSend->y());
  cmdBlockcheck->move(px(w - 3690), cmdBlockcheck->y());
  cmdInsertSpecialChar->move(px(w - 6210), cmdInsertSpecialChar->y());
  fraCommands->move(px(w - 3690), fraCommands->y());
  chkDatalogging->move(chkDatalogging->x(), px(h - 1530));
  txtFilename->move(txtFilename->x(), px(h - 1560));
}

void frmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ResizeControls();
}

void frmMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Restoring a minimized window lays the controls out again.
  if (event->type() == QEvent::WindowStateChange && !isMinimized()) ResizeControls();
}
