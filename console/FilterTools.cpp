#include "console/FilterTools.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

#include "console/FilterBar.h"
#include "console/TrafficView.h"
#include "platform/WidgetBuilding.h"
#include "traffic/FilterRunner.h"
#include "traffic/FindRunner.h"
#include "traffic/TrafficListModel.h"

namespace {
// How long the outcome of a step stays in the status bar.
constexpr int kStepOutcomeMs = 4000;
}  // namespace

FilterTools::FilterTools(QMainWindow& window, QMenu& editMenu, const TrafficListModel& model, TrafficView& view,
                         FitBar fit)
    : QObject(&window),
      window_(window),
      model_(model),
      view_(view),
      fit_(std::move(fit)),
      steps_(new FindRunner(model, this)) {
  // Ctrl+B for "block check"; none of the shortcuts is F1..F8, Enter or Esc.
  mnuEditFilter = editMenu.addAction(QString());
  mnuEditFilter->setObjectName("mnuEditFilter");
  mnuEditFilter->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  connect(mnuEditFilter, &QAction::triggered, this, [this] { ShowFilterBar(); });
  mnuEditNextWrongCheck = editMenu.addAction(QString());
  mnuEditNextWrongCheck->setObjectName("mnuEditNextWrongCheck");
  mnuEditNextWrongCheck->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
  connect(mnuEditNextWrongCheck, &QAction::triggered, this, [this] { StepWrongBlockCheck(true); });
  mnuEditPreviousWrongCheck = editMenu.addAction(QString());
  mnuEditPreviousWrongCheck->setObjectName("mnuEditPreviousWrongCheck");
  mnuEditPreviousWrongCheck->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
  connect(mnuEditPreviousWrongCheck, &QAction::triggered, this, [this] { StepWrongBlockCheck(false); });

  connect(steps_, &FindRunner::Found, this, [this](quint64 entry, bool wrapped) {
    view_.SelectEntry(entry);
    if (wrapped) ShowStepOutcome(ResText(stepForward_ ? 8209 : 8210));
  });
  connect(steps_, &FindRunner::NotFound, this, [this] { ShowStepOutcome(ResText(8314)); });
  connect(&model_, &TrafficListModel::Cleared, this, [this] { steps_->Cancel(); });
}

void FilterTools::ApplyLanguageTexts() {
  mnuEditFilter->setText(ResText(8300));
  mnuEditNextWrongCheck->setText(ResText(8312));
  mnuEditPreviousWrongCheck->setText(ResText(8313));
  if (filterBar_ != nullptr) filterBar_->ApplyLanguageTexts();
}

int FilterTools::FilterBarHeight() const {
  return filterBar_ != nullptr && !filterBar_->isHidden() ? filterBar_->sizeHint().height() : 0;
}

void FilterTools::ShowFilterBar() {
  if (filterBar_ == nullptr) {
    filterBar_ = new FilterBar(model_, view_, &window_);
    // A line of its own, below the find bar if there is one.
    window_.addToolBarBreak(Qt::TopToolBarArea);
    window_.addToolBar(Qt::TopToolBarArea, filterBar_);
    connect(filterBar_, &FilterBar::CloseRequested, this, [this] { HideFilterBar(); });
    connect(filterBar_, &FilterBar::CommandKeyPressed, this, &FilterTools::CommandKeyPressed);
    // A new filter ends a step over the rows of the old one.
    connect(&filterBar_->Runner(), &FilterRunner::Reset, this, [this] {
      steps_->Cancel();
      emit RowsReset();
    });
  }
  if (filterBar_->isHidden()) {
    const int before = window_.height();
    filterBar_->show();
    fit_(before, FilterBarHeight());
  }
  filterBar_->FocusField();
}

void FilterTools::HideFilterBar() {
  if (filterBar_ == nullptr || filterBar_->isHidden()) return;
  filterBar_->ShowAll();
  const int before = window_.height();
  const int bar = FilterBarHeight();
  const bool hadFocus = filterBar_->isAncestorOf(QApplication::focusWidget());
  filterBar_->hide();
  fit_(before, -bar);
  if (hadFocus && view_.isEnabled()) view_.setFocus(Qt::OtherFocusReason);
}

void FilterTools::PlaceAbove(QToolBar& bar) {
  if (filterBar_ == nullptr) return;
  window_.insertToolBar(filterBar_, &bar);
  window_.insertToolBarBreak(filterBar_);
}

void FilterTools::StepWrongBlockCheck(bool forward) {
  stepForward_ = forward;
  FilterCriteria criteria;
  criteria.show = FilterCriteria::Show::WrongBlockCheck;
  steps_->Start(std::move(criteria), forward, view_.CurrentEntry(), view_.Rows());
}

void FilterTools::ShowStepOutcome(const QString& text) { window_.statusBar()->showMessage(text, kStepOutcomeMs); }
