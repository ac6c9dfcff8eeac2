#pragma once
// The find bar: a bar for the top of the main window with a field, previous
// and next, match case, the outcome of the last step, and a close button.
//
// The bar finds in the traffic list and shows what it found by selecting the
// entry in the list's view; the steps themselves run in a FindRunner, which
// reports how they go. The window places the bar, shows and hides it (it
// grows by the bar's height so that no control of its own moves) and says
// what the keys the bar passes on do: Esc and the close button ask for the
// bar to be closed, F1 to F8 press the command slots.
//
// Nothing in the bar moves while it is open: the outcome has a room of its
// own at the end of the bar, as wide as the longest outcome in either
// language, so a new outcome never pushes a button away from under the
// mouse; only the field takes what a wider window adds.
#include <QToolBar>
#include <cstdint>

class FindRunner;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TrafficListModel;
class TrafficView;

class FindBar : public QToolBar {
  Q_OBJECT

 public:
  // Finds in `model`, selects in `view`; both outlive the bar. Made hidden.
  FindBar(const TrafficListModel& model, TrafficView& view, QWidget* parent);

  void ApplyLanguageTexts();
  // The focus to the field, with its text selected for typing over.
  void FocusField();
  // The next (or previous) entry holding the field's text, after the view's
  // current entry; ends the step in progress first.
  void Step(bool forward);
  // Ends the step in progress and clears its progress. A new text, match
  // case, and a cleared list end a step too.
  void Cancel();
  bool Running() const;

 signals:
  // Esc in the bar or its close button.
  void CloseRequested();
  // F1 to F8 in the bar, as a virtual-key code.
  void CommandKeyPressed(int keyCode);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowFound(std::uint64_t entry, bool wrapped);

  TrafficView& view_;
  FindRunner* runner_ = nullptr;
  bool forward_ = true;  // the direction of the step in progress or last run

  QLabel* labFind = nullptr;
  QLineEdit* txtFind = nullptr;
  QPushButton* cmdFindPrevious = nullptr;
  QPushButton* cmdFindNext = nullptr;
  QCheckBox* chkFindMatchCase = nullptr;
  QLabel* labFindResult = nullptr;
  QPushButton* cmdFindClose = nullptr;
};
