// The find bar: a bar below the menu bar, made by the first Ctrl+F, with a
// field, previous and next, match case, the outcome of the last step, and a
// close button. While it shows, the window is taller by its height in the
// normal state, so every control of the design keeps its place and size; a
// maximized window gives the traffic list that much less height instead.
//
// Nothing in the bar moves while it is open: the outcome has a room of its
// own at the end of the bar, as wide as the longest outcome in either
// language, so a new outcome never pushes a button away from under the
// mouse; only the field takes what a wider window adds.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <chrono>
#include <string>

#include "console/TrafficView.h"
#include "console/frmMain.h"
#include "core/StringTable.h"
#include "platform/ProgramFont.h"
#include "platform/QtText.h"
#include "platform/VirtualKey.h"
#include "platform/WidgetBuilding.h"
#include "traffic/TrafficFind.h"
#include "traffic/TrafficListModel.h"

namespace {

// The field's least width: the rest of the bar's room at the window's
// minimum width goes to it, and what a wider window adds.
constexpr int kFindFieldMinTwips = 2400;

// The width of the longest outcome a step can show, in either language, so
// that the room stays the same when the language changes.
int FindResultRoom(const QLabel& label) {
  int widest = 0;
  for (const auto load : {fkt_LoadResTextGerman, fkt_LoadResTextEnglish}) {
    for (const std::string& text : {load(8208), load(8209), load(8210), fkt_FormatInsertParam(load(8216), "100")}) {
      widest = std::max(widest, label.fontMetrics().horizontalAdvance(ToQString(text)));
    }
  }
  return widest + label.contentsMargins().left() + label.contentsMargins().right();
}

}  // namespace

void frmMain::CreateFindBar() {
  findBar_ = Named(new QToolBar(this), "findBar");
  findBar_->setMovable(false);
  findBar_->setFloatable(false);
  findBar_->toggleViewAction()->setVisible(false);
  findBar_->hide();
  addToolBar(Qt::TopToolBarArea, findBar_);

  labFind = Named(new QLabel(findBar_), "labFind");
  txtFind = Named(new QLineEdit(findBar_), "txtFind");
  txtFind->setFont(ConsoleFont());
  txtFind->setMinimumWidth(Px(kFindFieldMinTwips));
  cmdFindPrevious = Named(new QPushButton(findBar_), "cmdFindPrevious");
  cmdFindNext = Named(new QPushButton(findBar_), "cmdFindNext");
  chkFindMatchCase = Named(new QCheckBox(findBar_), "chkFindMatchCase");
  labFindResult = Named(new QLabel(findBar_), "labFindResult");
  labFindResult->setFixedWidth(FindResultRoom(*labFindResult));
  cmdFindClose = Named(new QPushButton(QString::fromUtf16(u"\u2715"), findBar_), "cmdFindClose");
  cmdFindClose->setFlat(true);
  for (QWidget* w : std::initializer_list<QWidget*>{labFind, txtFind, cmdFindPrevious, cmdFindNext, chkFindMatchCase,
                                                    labFindResult, cmdFindClose}) {
    findBar_->addWidget(w);
    w->installEventFilter(this);
  }
  connect(cmdFindPrevious, &QPushButton::clicked, this, [this] { FindStep(false); });
  connect(cmdFindNext, &QPushButton::clicked, this, [this] { FindStep(true); });
  connect(cmdFindClose, &QPushButton::clicked, this, [this] { HideFindBar(); });
  findSlice_ = new QTimer(this);
  findSlice_->setSingleShot(true);
  findSlice_->setInterval(0);
  connect(findSlice_, &QTimer::timeout, this, [this] { ContinueFind(); });
  connect(txtFind, &QLineEdit::textChanged, this, [this] { CancelFind(); });
  connect(chkFindMatchCase, &QCheckBox::toggled, this, [this] { CancelFind(); });
  connect(trafficList_, &TrafficListModel::Cleared, this, [this] { CancelFind(); });
  ApplyLanguageTexts();
}

int frmMain::FindBarHeight() const {
  return findBar_ != nullptr && !findBar_->isHidden() ? findBar_->sizeHint().height() : 0;
}

void frmMain::ShowFindBar() {
  if (findBar_ == nullptr) CreateFindBar();
  if (findBar_->isHidden()) {
    const int before = height();
    findBar_->show();
    ApplyMinimumSize();
    if ((windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) == 0) {
      resize(width(), before + FindBarHeight());
    }
    ResizeControls();
  }
  txtFind->setFocus(Qt::ShortcutFocusReason);
  txtFind->selectAll();
}

void frmMain::HideFindBar() {
  if (findBar_ == nullptr || findBar_->isHidden()) return;
  CancelFind();
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
  CancelFind();
  findSearch_ = std::make_unique<FindSearch>(FromQString(txtFind->text()), chkFindMatchCase->isChecked(), forward,
                                             lstSendReceive->CurrentEntry(), trafficList_->ShownCount());
  findForward_ = forward;
  ContinueFind();
}

void frmMain::ContinueFind() {
  if (findSearch_ == nullptr) return;
  const std::optional<FindResult> found =
      findSearch_->Continue(*trafficList_, std::chrono::steady_clock::now() + std::chrono::milliseconds(kFindSliceMs));
  if (!found) {
    const auto percent = static_cast<int>(findSearch_->Progress() * 100);
    labFindResult->setText(ToQString(fkt_FormatInsertParam(fkt_LoadResText(8216), std::to_string(percent))));
    findSlice_->start();
    return;
  }
  findSearch_.reset();
  if (found->entry) lstSendReceive->SelectEntry(*found->entry);
  const int outcome = !found->entry ? 8208 : !found->wrapped ? 0 : findForward_ ? 8209 : 8210;
  labFindResult->setText(outcome == 0 ? QString() : ResText(outcome));
}

void frmMain::CancelFind() {
  if (findSearch_ == nullptr) return;
  findSearch_.reset();
  findSlice_->stop();
  labFindResult->clear();
}

bool frmMain::FindBarKey(QEvent* event) {
  const bool override = event->type() == QEvent::ShortcutOverride;
  if (!override && event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Escape) {
    // Taken before the window's Esc shortcut (quit) sees it.
    event->accept();
    if (!override) HideFindBar();
    return true;
  }
  if (override) return false;
  const int code = VirtualKey::FromEvent(*key);
  if (code >= VirtualKey::F1 && code <= VirtualKey::F8) {
    fkt_PressCommandByKey(code);
    return true;
  }
  if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && txtFind->hasFocus()) {
    FindStep((key->modifiers() & Qt::ShiftModifier) == 0);
    return true;
  }
  return false;
}
