#include "console/FindBar.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <initializer_list>
#include <string>

#include "console/BarKeys.h"
#include "console/TrafficView.h"
#include "core/StringTable.h"
#include "platform/ProgramFont.h"
#include "platform/QtText.h"
#include "platform/WidgetBuilding.h"
#include "traffic/FindRunner.h"
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

FindBar::FindBar(const TrafficListModel& model, TrafficView& view, QWidget* parent)
    : QToolBar(parent), view_(view), runner_(new FindRunner(model, this)) {
  setObjectName("findBar");
  setMovable(false);
  setFloatable(false);
  toggleViewAction()->setVisible(false);
  hide();

  labFind = Named(new QLabel(this), "labFind");
  txtFind = Named(new QLineEdit(this), "txtFind");
  txtFind->setFont(ConsoleFont());
  txtFind->setMinimumWidth(Px(kFindFieldMinTwips));
  cmdFindPrevious = Named(new QPushButton(this), "cmdFindPrevious");
  cmdFindNext = Named(new QPushButton(this), "cmdFindNext");
  chkFindMatchCase = Named(new QCheckBox(this), "chkFindMatchCase");
  labFindResult = Named(new QLabel(this), "labFindResult");
  labFindResult->setFixedWidth(FindResultRoom(*labFindResult));
  cmdFindClose = Named(new QPushButton(QString::fromUtf16(u"\u2715"), this), "cmdFindClose");
  cmdFindClose->setFlat(true);
  for (QWidget* w : std::initializer_list<QWidget*>{labFind, txtFind, cmdFindPrevious, cmdFindNext, chkFindMatchCase,
                                                    labFindResult, cmdFindClose}) {
    addWidget(w);
    w->installEventFilter(this);
  }
  connect(cmdFindPrevious, &QPushButton::clicked, this, [this] { Step(false); });
  connect(cmdFindNext, &QPushButton::clicked, this, [this] { Step(true); });
  connect(cmdFindClose, &QPushButton::clicked, this, &FindBar::CloseRequested);
  connect(txtFind, &QLineEdit::textChanged, this, [this] { Cancel(); });
  connect(chkFindMatchCase, &QCheckBox::toggled, this, [this] { Cancel(); });
  connect(&model, &TrafficListModel::Cleared, this, [this] { Cancel(); });

  connect(runner_, &FindRunner::Progress, this, [this](int percent) {
    labFindResult->setText(ToQString(fkt_FormatInsertParam(fkt_LoadResText(8216), std::to_string(percent))));
  });
  connect(runner_, &FindRunner::Found, this, [this](quint64 entry, bool wrapped) { ShowFound(entry, wrapped); });
  connect(runner_, &FindRunner::NotFound, this, [this] { labFindResult->setText(ResText(8208)); });
  ApplyLanguageTexts();
}

void FindBar::ApplyLanguageTexts() {
  labFind->setText(ResText(8204));
  cmdFindPrevious->setText(ResText(8206));
  cmdFindNext->setText(ResText(8205));
  chkFindMatchCase->setText(ResText(8207));
  cmdFindClose->setToolTip(ResText(8211));
  labFindResult->clear();
}

void FindBar::FocusField() {
  txtFind->setFocus(Qt::ShortcutFocusReason);
  txtFind->selectAll();
}

void FindBar::Step(bool forward) {
  Cancel();
  forward_ = forward;
  runner_->Start(FromQString(txtFind->text()), chkFindMatchCase->isChecked(), forward, view_.CurrentEntry(),
                 view_.Rows());
}

void FindBar::Cancel() {
  if (!runner_->Running()) return;
  runner_->Cancel();
  labFindResult->clear();
}

bool FindBar::Running() const { return runner_->Running(); }

void FindBar::ShowFound(std::uint64_t entry, bool wrapped) {
  view_.SelectEntry(entry);
  labFindResult->setText(!wrapped ? QString() : ResText(forward_ ? 8209 : 8210));
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  const BarKey taken = TakeBarKey(
      *event, [this] { emit CloseRequested(); }, [this](int keyCode) { emit CommandKeyPressed(keyCode); });
  if (taken == BarKey::NotAKey) return QToolBar::eventFilter(watched, event);
  if (taken != BarKey::Own) return taken == BarKey::Taken;
  const auto* key = static_cast<const QKeyEvent*>(event);
  if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && txtFind->hasFocus()) {
    Step((key->modifiers() & Qt::ShiftModifier) == 0);
    return true;
  }
  return false;
}
