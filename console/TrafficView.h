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
// One entry at a time is selected (the current entry): a click, the arrow,
// page and Home/End keys move it and scroll it into view. Receiving neither
// scrolls nor selects. Every byte shows as its code page 437 glyph. A double
// click on an entry is passed on (EntryDoubleClicked).
#include <QAbstractScrollArea>
#include <cstdint>
#include <optional>

class TrafficListModel;

class TrafficView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TrafficView(const TrafficListModel& model, QWidget* parent = nullptr);

  std::optional<std::uint64_t> CurrentEntry() const { return current_; }
  // Selects the entry and scrolls it into view by as few rows as needed.
  void SelectEntry(std::uint64_t entry);
  void ScrollTo(std::uint64_t entry);
  std::uint64_t TopEntry() const { return top_; }
  void SetTopEntry(std::uint64_t entry);
  // Rows that fit the view whole (at least one).
  int PageRows() const;
  int RowHeight() const { return rowHeight_; }
  std::optional<std::uint64_t> EntryAt(const QPoint& viewportPoint) const;
  // The row's text as it is painted: glyphs, cut to the width.
  QString ShownText(std::uint64_t entry) const;

 signals:
  void EntryDoubleClicked(quint64 entry);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void EntriesAdded(std::uint64_t first, std::uint64_t end);
  void Cleared();
  std::uint64_t MaxTop() const;
  void ScrollBy(std::int64_t rows);
  void SyncScrollBar();
  void ScrollBarAction(int action);
  void ScrollBarMoved(int value);
  void SelectAt(const QPoint& viewportPoint);
  void TakeFontMetrics();

  const TrafficListModel& model_;
  std::uint64_t top_ = 0;
  std::optional<std::uint64_t> current_;
  int rowHeight_ = 1;
  int charWidth_ = 1;
  int wheelRemainder_ = 0;  // of a wheel notch, in eighths of a degree
  bool syncing_ = false;    // the scroll bar is being set from top_
};
