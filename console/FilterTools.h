#pragma once
// The filter and the wrong-block-check steps at the end of the Edit menu:
// "Filter..." (Ctrl+Shift+F) opens the filter bar, which exists only once it
// has been opened; "Next wrong block check" (Ctrl+B) and "Previous wrong
// block check" (Ctrl+Shift+B) select the next (previous) received frame
// with a wrong block check after the current entry, among the rows shown,
// going round the end of the list as find does; the outcome, when there is
// one to tell, shows in the status bar for a while.
//
// The window places the bar (below the find bar) and re-fits itself as for
// the find bar; the tools say when.
#include <QObject>
#include <functional>

class FilterBar;
class FindRunner;
class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class TrafficListModel;
class TrafficView;

class FilterTools : public QObject {
  Q_OBJECT

 public:
  using FitBar = std::function<void(int heightBefore, int change)>;

  FilterTools(QMainWindow& window, QMenu& editMenu, const TrafficListModel& model, TrafficView& view, FitBar fit);

  void ApplyLanguageTexts();
  // Opens the filter bar (making it the first time) with the focus in its field.
  void ShowFilterBar();
  // Ends the filter and hides the bar.
  void HideFilterBar();
  void StepWrongBlockCheck(bool forward);
  // The filter bar's height while it shows, 0 otherwise.
  int FilterBarHeight() const;
  // Null before the bar was first opened.
  FilterBar* Bar() const { return filterBar_; }
  // A find bar made after the filter bar goes above it.
  void PlaceAbove(QToolBar& bar);

 signals:
  // F1 to F8 in the filter bar, as a virtual-key code.
  void CommandKeyPressed(int keyCode);
  // The rows shown were emptied (a new filter, none, a cleared list): a
  // step over the old ones is to end.
  void RowsReset();

 private:
  void ShowStepOutcome(const QString& text);

  QMainWindow& window_;
  const TrafficListModel& model_;
  TrafficView& view_;
  FitBar fit_;
  FindRunner* steps_ = nullptr;
  bool stepForward_ = true;
  QAction* mnuEditFilter = nullptr;
  QAction* mnuEditNextWrongCheck = nullptr;
  QAction* mnuEditPreviousWrongCheck = nullptr;
  FilterBar* filterBar_ = nullptr;
};
