// Geometry of the main window: design places in twips, and the layout that
// keeps the right-hand column and the bottom row at their distance from the
// window's edges.
#include <QEvent>
#include <QMenuBar>
#include <QPushButton>

#include "console/ListTools.h"
#include "console/MainWindowGeometry.h"
#include "console/frmMain.h"
#include "platform/Twips.h"

void frmMain::SetDesignGeometry() {
  for (const ControlPlace& place : kMainWindowPlaces) {
    auto* control = client_->findChild<QWidget*>(place.name);
    PlaceControl(*control, place);
    placed_.emplace_back(control, &place);
  }
}

QSize frmMain::OuterSizeTwips() const {
  // The menu bar's own height may not be settled before the window is shown;
  // its size hint is.
  // The find bar, while it shows, counts as part of the frame too.
  const int menuHeight = menuBar()->isHidden() ? 0 : menuBar()->sizeHint().height();
  const int barHeight = listTools_ != nullptr ? listTools_->FindBarHeight() : 0;
  const int clientHeight = height() - menuHeight - barHeight;
  return {Twips(width()) + kMainFrameWidth, Twips(clientHeight) + kMainFrameHeight};
}

void frmMain::ApplyMinimumSize() {
  setMinimumSize(Px(kMainMinWidth - kMainFrameWidth),
                 Px(kMainMinHeight - kMainFrameHeight) + menuBar()->sizeHint().height() + listTools_->FindBarHeight());
}

void frmMain::FitFindBar(int heightBefore, int change) {
  ApplyMinimumSize();
  if ((windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) == 0) resize(width(), heightBefore + change);
  ResizeControls();
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
  if (!CheckMinimumSize(kMainMinWidth, kMainMinHeight, outer.width(), outer.height())) return;

  for (const auto& [control, place] : placed_) FollowWindowSize(*control, *place, outer);
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
