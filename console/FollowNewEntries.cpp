#include "console/FollowNewEntries.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>

#include "console/TrafficView.h"
#include "core/AppSettings.h"
#include "platform/ElidedLabel.h"
#include "platform/WidgetBuilding.h"
#include "traffic/TrafficListModel.h"

namespace {

// Asks for room for its full text and gives way down to its shortest form,
// never below it: the counters beside it give way first.
class PausedLabel : public ElidedLabel {
 public:
  using ElidedLabel::ElidedLabel;
  QSize minimumSizeHint() const override {
    const QString shortest = shorterForms().isEmpty() ? text() : shorterForms().back();
    const QMargins margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(shortest) + margins.left() + margins.right(),
            ElidedLabel::minimumSizeHint().height()};
  }
};

}  // namespace

FollowNewEntries::FollowNewEntries(TrafficView& view, const TrafficListModel& model, QMenu& editMenu,
                                   QStatusBar& statusBar)
    : QObject(&view), view_(view) {
  mnuEditFollow = editMenu.addAction(QString());
  mnuEditFollow->setObjectName("mnuEditFollow");
  mnuEditFollow->setCheckable(true);
  connect(mnuEditFollow, &QAction::triggered, this, [this](bool checked) { SetOn(checked); });

  // Right of the counters, shown only while following pauses; at the
  // window's minimum width it gives way before the link state does.
  stbFollowPaused = Named(new PausedLabel(&statusBar), "stbFollowPaused");
  statusBar.addPermanentWidget(stbFollowPaused);
  stbFollowPaused->hide();

  connect(&view_, &TrafficView::CurrentMoved, this, [this] { FollowIfAtEnd(view_.CurrentIsLast()); });
  connect(&view_, &TrafficView::ScrolledByUser, this, [this] { FollowIfAtEnd(view_.AtEnd()); });
  connect(&model, &TrafficListModel::Cleared, this, [this] {
    if (on_) Resume();
  });
}

void FollowNewEntries::ApplyLanguageTexts() {
  mnuEditFollow->setText(ResText(8380));
  stbFollowPaused->setText(ResText(8383));
  stbFollowPaused->setToolTip(ResText(8381));
  stbFollowPaused->setShorterForms({ResText(8384)});
}

void FollowNewEntries::TakeSettings() { SetOn(AppSettings.FollowNewEntries == 1); }

void FollowNewEntries::SetOn(bool on) {
  on_ = on;
  AppSettings.FollowNewEntries = on ? 1 : 0;
  mnuEditFollow->setChecked(on);
  if (on) {
    Resume();
  } else {
    paused_ = false;
    view_.SetFollowing(false);
    stbFollowPaused->hide();
  }
}

void FollowNewEntries::FollowIfAtEnd(bool atEnd) {
  if (!on_) return;
  if (atEnd) {
    Resume();
  } else {
    Pause();
  }
}

void FollowNewEntries::Pause() {
  if (paused_) return;
  paused_ = true;
  view_.SetFollowing(false);
  stbFollowPaused->show();
}

void FollowNewEntries::Resume() {
  paused_ = false;
  view_.SetFollowing(true);
  stbFollowPaused->hide();
}
