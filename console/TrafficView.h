#pragma once
// lstSendReceive on screen: the traffic list as a one-column list box.
//
// A view of its own rather than a Qt item view, so that its cost does not
// grow with the number of entries. It scrolls by entry, not by pixel (an item
// view's content height in pixels overflows an int near 143 million rows, and
// its model counts rows in an int), so every entry stays reachable; it paints
// only the visible rows, and of each only the characters that fit its width;
// new entries out of sight cost it the scroll bar alone.
//
// Selection is extended, as in a file manager: a click, the arrow, page and
// Home/End keys select one entry (the current one) and scroll it into view;
// with Shift they select from the anchor (the entry last clicked alone) to
// there, a drag selects from the anchor to the entry under the mouse, a
// Ctrl+click adds or removes one entry (Ctrl+arrows move without selecting,
// Ctrl+Space then adds or removes), Ctrl+A selects every entry. Receiving
// neither scrolls nor selects. Every byte shows as its code page 437 glyph.
// A received frame whose block check is wrong is marked with a red bar at
// the row's left edge, which stays when the row is selected, on a reddish
// background while it is not; its tooltip says what was expected and what
// arrived. A double click on an entry is passed on (EntryDoubleClicked).
//
// While following (SetFollowing), the view keeps its last row in sight as
// entries arrive and as it is resized. It says when the current entry moves
// (CurrentMoved) and when the operator scrolls (ScrolledByUser), so that
// whoever switches following can pause and resume it; a filter's rows are
// followed as the entries are.
//
// A filter makes the view show rows instead of every entry: row r shows entry
// r of the filter's ShownEntries. Scrolling, the current row, the selection
// and the keys then count rows, so TopEntry, SetTopEntry and ScrollTo take
// rows (the entry numbers themselves while no filter is on, so that
// ScrollTo(RowCount() - 1) shows the last row either way), while
// CurrentEntry, SelectEntry, EntryAt, the tooltip and the double click speak
// of entries. Without a filter nothing of this costs more than a test.
#include <QAbstractScrollArea>
#include <cstdint>
#include <optional>

#include "console/EntrySelection.h"

class ShownEntries;
class TrafficListModel;

class TrafficView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TrafficView(const TrafficListModel& model, QWidget* parent = nullptr);

  std::optional<std::uint64_t> CurrentEntry() const;
  // The selected rows (entries while no filter is on; see Rows).
  const EntrySelection& Selection() const { return selection_; }
  // The filter's rows the view shows; null: every entry.
  const ShownEntries* Rows() const { return rows_; }
  std::uint64_t RowCount() const;
  std::uint64_t EntryOfRow(std::uint64_t row) const;
  // Shows the rows of a filter (null: every entry again). The current entry
  // stays current and where it was on screen if the new rows show it;
  // otherwise the view shows the rows from where its top entry was.
  void ShowRows(const ShownEntries* rows);
  // The filter's rows grew to `end`, or were emptied (a new filter, a
  // cleared list); nothing while the view shows every entry.
  void RowsAdded(std::uint64_t first, std::uint64_t end);
  void RowsReset();
  // Selects the entry alone and scrolls it into view by as few rows as
  // needed; nothing when the rows do not show it.
  void SelectEntry(std::uint64_t entry);
  void SelectAll();
  void ScrollTo(std::uint64_t entry);
  std::uint64_t TopEntry() const { return top_; }
  void SetTopEntry(std::uint64_t entry);
  // Rows that fit the view whole (at least one).
  int PageRows() const;
  int RowHeight() const { return rowHeight_; }
  std::optional<std::uint64_t> EntryAt(const QPoint& viewportPoint) const;
  // The row's text as it is painted: glyphs, cut to the width.
  QString ShownText(std::uint64_t entry) const;

  // Scrolls to the end now and after every change of entries or size.
  void SetFollowing(bool following);
  bool Following() const { return following_; }
  // The last row shows whole.
  bool AtEnd() const { return top_ >= MaxTop(); }
  bool CurrentIsLast() const;

 signals:
  void EntryDoubleClicked(quint64 entry);
  // The current entry was moved, by the operator or by the program.
  void CurrentMoved();
  // The wheel or the scroll bar moved the rows.
  void ScrolledByUser();
  // Rows [first, end) were added at the end: new entries, or new rows of a
  // filter. One place for whoever keeps the newest row in sight.
  void RowsAppended(quint64 first, quint64 end);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::optional<std::uint64_t> RowAt(const QPoint& viewportPoint) const;
  void SelectRow(std::uint64_t row);
  void EntriesAdded(std::uint64_t first, std::uint64_t end);
  void RepaintEntries(std::uint64_t first, std::uint64_t end);
  void Cleared();
  std::uint64_t MaxTop() const;
  void ScrollBy(std::int64_t rows);
  void SyncScrollBar();
  void ScrollBarAction(int action);
  void ScrollBarMoved(int value);
  // Makes the entry current and scrolls to it, leaving the selection to the caller.
  void MoveCurrent(std::uint64_t entry);
  void TakeFontMetrics();

  const TrafficListModel& model_;
  const ShownEntries* rows_ = nullptr;
  // Rows, all of them (the entries themselves while rows_ is null).
  std::uint64_t top_ = 0;
  std::optional<std::uint64_t> current_;
  EntrySelection selection_;
  std::uint64_t anchor_ = 0;  // where Shift selections and drags start
  bool dragAdds_ = false;     // the drag began with Ctrl: it adds to the selection
  int rowHeight_ = 1;
  int charWidth_ = 1;
  int wheelRemainder_ = 0;  // of a wheel notch, in eighths of a degree
  bool syncing_ = false;    // the scroll bar is being set from top_
  bool following_ = false;
};
