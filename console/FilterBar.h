#pragma once
// The filter bar: a bar for the top of the main window that narrows the
// traffic list to received entries, sent ones, or received frames with a
// wrong block check, and to those holding a text (in notation, case as for
// find), with the count of the entries shown ("12,345 of 1,000,000 entries
// shown") or, while a filter reads a long list, how far it has come.
//
// A new direction applies at once; a new text on Enter or Apply. "Show all"
// (which empties the bar), Esc and the close button end the filter (closing
// the bar ends it too, so a list is never narrowed by a bar out of sight),
// and the list returns to every entry with the current entry still current. The filtering
// itself runs in a FilterRunner, whose rows the view shows.
#include <QToolBar>
#include <cstdint>

class FilterRunner;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TrafficListModel;
class TrafficView;

class FilterBar : public QToolBar {
  Q_OBJECT

 public:
  // Filters `model`, shows the rows in `view`; both outlive the bar. Made hidden.
  FilterBar(const TrafficListModel& model, TrafficView& view, QWidget* parent);

  void ApplyLanguageTexts();
  void FocusField();
  // Filters by what the bar holds now.
  void Apply();
  // Shows every entry again.
  void ShowAll();
  bool Filtering() const;
  FilterRunner& Runner() { return *runner_; }
  // The count or progress text as shown.
  QString CountText() const;

 signals:
  // Esc in the bar or its close button.
  void CloseRequested();
  // F1 to F8 in the bar, as a virtual-key code.
  void CommandKeyPressed(int keyCode);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowCount();
  void ShowProgress(int percent);

  const TrafficListModel& model_;
  TrafficView& view_;
  FilterRunner* runner_ = nullptr;

  QLabel* labFilter = nullptr;
  QComboBox* cboFilterShow = nullptr;
  QLabel* labFilterText = nullptr;
  QLineEdit* txtFilter = nullptr;
  QCheckBox* chkFilterMatchCase = nullptr;
  QPushButton* cmdFilterApply = nullptr;
  QPushButton* cmdFilterShowAll = nullptr;
  QLabel* labFilterCount = nullptr;
  QPushButton* cmdFilterClose = nullptr;
};
