#include "console/ListTools.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <chrono>

#include "console/CountersPanel.h"
#include "console/EntryBytes.h"
#include "console/FilterTools.h"
#include "console/FindBar.h"
#include "console/ListActions.h"
#include "console/TrafficView.h"
#include "platform/WidgetBuilding.h"
#include "traffic/TrafficListModel.h"
#include "traffic/TrafficSession.h"

ListTools::ListTools(QMainWindow& window, QMenu& fileMenu, QMenu& editMenu, TrafficSession& session, TrafficView& view,
                     FitFindBar fit)
    : QObject(&window), window_(window), session_(session), view_(view), fit_(std::move(fit)) {
  // At the end of the existing menus; none of the shortcuts is F1..F8,
  // Enter or Esc.
  fileMenu.addSeparator()->setObjectName("mnuSpace2");
  mnuFileSaveList = fileMenu.addAction(QString());
  mnuFileSaveList->setObjectName("mnuFileSaveList");
  connect(mnuFileSaveList, &QAction::triggered, this, [this] { mnuFileSaveList_Click(); });

  editMenu.addSeparator()->setObjectName("mnuSpace3");
  mnuEditCopy = editMenu.addAction(QString());
  mnuEditCopy->setObjectName("mnuEditCopy");
  // A text field with the focus keeps Ctrl+C for its own text.
  mnuEditCopy->setShortcut(QKeySequence::Copy);
  connect(mnuEditCopy, &QAction::triggered, this, [this] { CopySelection(); });
  mnuEditFind = editMenu.addAction(QString());
  mnuEditFind->setObjectName("mnuEditFind");
  mnuEditFind->setShortcut(QKeySequence::Find);
  connect(mnuEditFind, &QAction::triggered, this, [this] { ShowFindBar(); });
  mnuEditCopyHex = editMenu.addAction(QString());
  mnuEditCopyHex->setObjectName("mnuEditCopyHex");
  mnuEditCopyHex->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  connect(mnuEditCopyHex, &QAction::triggered, this, [this] { CopySelectionAsHex(); });
  filterTools_ = new FilterTools(window, editMenu, session.List(), view, fit_);
  connect(filterTools_, &FilterTools::CommandKeyPressed, this, &ListTools::CommandKeyPressed);
  connect(filterTools_, &FilterTools::RowsReset, this, [this] {
    if (findBar_ != nullptr) findBar_->Cancel();
  });

  // The design's panel keeps the room its text needs; the counters take
  // what is left, in their compact form at the window's minimum width.
  const auto read = [this] {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return session_.ReadCounters(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  };
  stbCounters = Named(new CountersPanel(read, window.statusBar()), "stbCounters");
  window.statusBar()->addPermanentWidget(stbCounters);
}

void ListTools::ApplyLanguageTexts() {
  mnuFileSaveList->setText(ResText(8200));
  mnuEditCopy->setText(ResText(8202));
  mnuEditFind->setText(ResText(8203));
  mnuEditCopyHex->setText(ResText(8331));
  stbCounters->ApplyLanguageTexts();
  if (findBar_ != nullptr) findBar_->ApplyLanguageTexts();
  filterTools_->ApplyLanguageTexts();
}

void ListTools::CopySelection() { CopyEntries(session_.List(), view_.Selection(), view_.Rows()); }

void ListTools::CopySelectionAsHex() { CopyEntriesAsHex(session_.List(), view_.Selection()); }

void ListTools::mnuFileSaveList_Click() {
  // Saves every entry listed, filtered out or not: the file is the list's
  // record, and a filter only narrows the view of it.
  // The save runs its own event loop; a second one from within it waits.
  if (exporting_) return;
  exporting_ = true;
  SaveListAs(&window_, session_.List());
  exporting_ = false;
}

int ListTools::FindBarHeight() const {
  const int find = findBar_ != nullptr && !findBar_->isHidden() ? findBar_->sizeHint().height() : 0;
  return find + filterTools_->FilterBarHeight();
}

void ListTools::ShowFindBar() {
  if (findBar_ == nullptr) {
    findBar_ = new FindBar(session_.List(), view_, &window_);
    window_.addToolBar(Qt::TopToolBarArea, findBar_);
    filterTools_->PlaceAbove(*findBar_);
    connect(findBar_, &FindBar::CloseRequested, this, [this] { HideFindBar(); });
    connect(findBar_, &FindBar::CommandKeyPressed, this, &ListTools::CommandKeyPressed);
  }
  if (findBar_->isHidden()) {
    const int before = window_.height();
    findBar_->show();
    fit_(before, findBar_->sizeHint().height());
  }
  findBar_->FocusField();
}

void ListTools::HideFindBar() {
  if (findBar_ == nullptr || findBar_->isHidden()) return;
  findBar_->Cancel();
  const int before = window_.height();
  const int bar = findBar_->sizeHint().height();
  const bool hadFocus = findBar_->isAncestorOf(QApplication::focusWidget());
  findBar_->hide();
  fit_(before, -bar);
  if (hadFocus && view_.isEnabled()) view_.setFocus(Qt::OtherFocusReason);
}

void ListTools::FindStep(bool forward) {
  if (findBar_ != nullptr) findBar_->Step(forward);
}

bool ListTools::FindRunning() const { return findBar_ != nullptr && findBar_->Running(); }
