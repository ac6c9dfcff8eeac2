#include "console/TrafficView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <utility>

#include "console/EntryToolTip.h"
#include "console/RowScroll.h"
#include "core/CodePage.h"
#include "platform/QtText.h"
#include "traffic/ShownEntries.h"
#include "traffic/TrafficListModel.h"

namespace {
// Space left and right of a row's text, as an item view leaves it.
constexpr int kTextMargin = 3;
// Characters built beyond what the width holds, for glyphs a little narrower
// than the font's average.
constexpr int kSpareChars = 8;
constexpr int kWheelNotch = 120;
// A received frame with a wrong block check: a bar as wide as the text
// margin in this red, and this background while the row is not selected.
const QColor kBadFrameMark(200, 0, 0);
const QColor kBadFrameBackground(255, 222, 222);
}  // namespace

TrafficView::TrafficView(const TrafficListModel& model, QWidget* parent) : QAbstractScrollArea(parent), model_(model) {
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setBackgroundRole(QPalette::Base);
  verticalScrollBar()->installEventFilter(this);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) { ScrollBarAction(action); });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) { ScrollBarMoved(value); });
  connect(&model_, &TrafficListModel::EntriesAdded, this, [this](quint64 first, quint64 end) {
    if (rows_ == nullptr) EntriesAdded(first, end);
  });
  connect(&model_, &TrafficListModel::EntryChanged, this, [this](quint64 entry) {
    if (rows_ == nullptr) {
      RepaintEntries(entry, entry + 1);
    } else {
      viewport()->update();
    }
  });
  connect(&model_, &TrafficListModel::Cleared, this, [this] { Cleared(); });
  TakeFontMetrics();
}

std::uint64_t TrafficView::RowCount() const { return rows_ != nullptr ? rows_->Size() : model_.ShownCount(); }

std::uint64_t TrafficView::EntryOfRow(std::uint64_t row) const { return rows_ != nullptr ? rows_->EntryAt(row) : row; }

std::optional<std::uint64_t> TrafficView::CurrentEntry() const {
  if (!current_ || *current_ >= RowCount()) return std::nullopt;
  return EntryOfRow(*current_);
}

void TrafficView::ShowRows(const ShownEntries* rows) {
  if (rows == rows_) return;
  // While following, the view goes on showing the newest rows: keeping the
  // current entry current is no move of the operator's that pauses it.
  const QSignalBlocker quiet(following_ ? this : nullptr);
  const std::optional<std::uint64_t> current = CurrentEntry();
  const std::optional<std::uint64_t> topEntry = top_ < RowCount() ? std::optional(EntryOfRow(top_)) : std::nullopt;
  const std::uint64_t offset = current_ && *current_ >= top_ ? *current_ - top_ : 0;
  rows_ = rows;
  top_ = 0;
  current_.reset();
  selection_.Clear();
  anchor_ = 0;
  const auto rowOf = [this](std::uint64_t entry) {
    return rows_ != nullptr ? rows_->RowOf(entry) : std::optional<std::uint64_t>(entry);
  };
  if (const std::optional<std::uint64_t> row = current ? rowOf(*current) : std::nullopt) {
    // The current entry keeps its place on screen, as far as the rows allow.
    SetTopEntry(offset < static_cast<std::uint64_t>(PageRows()) && *row >= offset ? *row - offset : *row);
    SelectRow(*row);
  } else if (topEntry) {
    SetTopEntry(rows_ != nullptr ? rows_->RowAtOrAfter(*topEntry) : *topEntry);
  }
  if (following_) SetTopEntry(MaxTop());
  SyncScrollBar();
  viewport()->update();
}

void TrafficView::RowsAdded(std::uint64_t first, std::uint64_t end) {
  if (rows_ != nullptr) EntriesAdded(first, end);
}

void TrafficView::RowsReset() {
  if (rows_ != nullptr) Cleared();
}

int TrafficView::PageRows() const { return std::max(1, viewport()->height() / rowHeight_); }

std::uint64_t TrafficView::MaxTop() const {
  const std::uint64_t shown = RowCount();
  const auto page = static_cast<std::uint64_t>(PageRows());
  return shown > page ? shown - page : 0;
}

void TrafficView::SetTopEntry(std::uint64_t entry) {
  const std::uint64_t top = std::min(entry, MaxTop());
  if (top != top_) {
    top_ = top;
    viewport()->update();
  }
  SyncScrollBar();
}

void TrafficView::ScrollBy(std::int64_t rows) {
  if (rows < 0) {
    const auto up = static_cast<std::uint64_t>(-rows);
    SetTopEntry(top_ > up ? top_ - up : 0);
  } else {
    SetTopEntry(std::min(top_ + static_cast<std::uint64_t>(rows), MaxTop()));
  }
}

void TrafficView::ScrollTo(std::uint64_t entry) {
  const auto page = static_cast<std::uint64_t>(PageRows());
  if (entry < top_) {
    SetTopEntry(entry);
  } else if (entry >= top_ + page) {
    SetTopEntry(entry - page + 1);
  }
}

void TrafficView::MoveCurrent(std::uint64_t entry) {
  current_ = entry;
  ScrollTo(entry);
  viewport()->update();
  emit CurrentMoved();
}

bool TrafficView::CurrentIsLast() const { return current_ && *current_ + 1 == RowCount(); }

void TrafficView::SetFollowing(bool following) {
  following_ = following;
  if (following_) SetTopEntry(MaxTop());
}

void TrafficView::SelectEntry(std::uint64_t entry) {
  if (rows_ == nullptr) {
    SelectRow(entry);
  } else if (const std::optional<std::uint64_t> row = rows_->RowOf(entry)) {
    SelectRow(*row);
  }
}

void TrafficView::SelectRow(std::uint64_t row) {
  if (row >= RowCount()) return;
  selection_.SelectOnly(row);
  anchor_ = row;
  MoveCurrent(row);
}

void TrafficView::SelectAll() {
  const std::uint64_t shown = RowCount();
  if (shown == 0) return;
  selection_.SelectRange(0, shown - 1);
  viewport()->update();
}

std::optional<std::uint64_t> TrafficView::RowAt(const QPoint& viewportPoint) const {
  if (viewportPoint.y() < 0 || viewportPoint.y() >= viewport()->height()) return std::nullopt;
  const std::uint64_t row = top_ + static_cast<std::uint64_t>(viewportPoint.y() / rowHeight_);
  if (row >= RowCount()) return std::nullopt;
  return row;
}

std::optional<std::uint64_t> TrafficView::EntryAt(const QPoint& viewportPoint) const {
  const std::optional<std::uint64_t> row = RowAt(viewportPoint);
  return row ? std::optional(EntryOfRow(*row)) : std::nullopt;
}

void TrafficView::SyncScrollBar() {
  QScrollBar* bar = verticalScrollBar();
  // A new range may show or hide the bar, which resizes the view and syncs
  // again from inside here; what follows takes the sizes as they are then.
  const bool outer = !std::exchange(syncing_, true);
  bar->setRange(0, RowScroll::Maximum(MaxTop()));
  bar->setPageStep(PageRows());
  bar->setValue(RowScroll::ToValue(top_, MaxTop()));
  if (outer) syncing_ = false;
}

void TrafficView::ScrollBarAction(int action) {
  // Steps count entries; setting the bar from top_ here also replaces the
  // position the bar was about to take.
  const int page = PageRows();
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: ScrollBy(1); break;
    case QAbstractSlider::SliderSingleStepSub: ScrollBy(-1); break;
    case QAbstractSlider::SliderPageStepAdd: ScrollBy(page); break;
    case QAbstractSlider::SliderPageStepSub: ScrollBy(-page); break;
    case QAbstractSlider::SliderToMinimum: SetTopEntry(0); break;
    case QAbstractSlider::SliderToMaximum: SetTopEntry(MaxTop()); break;
    default: return;  // a drag arrives as a new value
  }
  emit ScrolledByUser();
}

void TrafficView::ScrollBarMoved(int value) {
  if (syncing_) return;
  const std::uint64_t top = RowScroll::ToTop(value, MaxTop());
  if (top != top_) {
    top_ = top;
    viewport()->update();
    emit ScrolledByUser();
  }
}

void TrafficView::EntriesAdded(std::uint64_t first, std::uint64_t end) {
  if (following_) {
    SetTopEntry(MaxTop());  // syncs the scroll bar
  } else {
    SyncScrollBar();
  }
  RepaintEntries(first, end);
  emit RowsAppended(first, end);
}

void TrafficView::RepaintEntries(std::uint64_t first, std::uint64_t end) {
  // Only rows that lie inside the view are painted.
  const std::uint64_t visibleEnd = top_ + static_cast<std::uint64_t>(viewport()->height() / rowHeight_ + 1);
  if (first >= visibleEnd || end <= top_) return;
  const auto from = static_cast<int>(std::max(first, top_) - top_);
  const auto to = static_cast<int>(std::min(end, visibleEnd) - top_);
  viewport()->update(0, from * rowHeight_, viewport()->width(), (to - from) * rowHeight_);
}

void TrafficView::Cleared() {
  top_ = 0;
  current_.reset();
  selection_.Clear();
  anchor_ = 0;
  SyncScrollBar();
  viewport()->update();
}

QString TrafficView::ShownText(std::uint64_t entry) const {
  const int width = viewport()->width() - 2 * kTextMargin;
  const auto maxChars = static_cast<std::size_t>(std::max(0, width) / charWidth_ + kSpareChars);
  bool cut = false;
  const std::string text = model_.EntryTextStart(entry, maxChars, &cut);
  QString shown = QString::fromStdU16String(BytesToCp437Glyphs(text));
  // A cut text is wider than the row, so it gets the ellipsis too.
  return fontMetrics().elidedText(shown, Qt::ElideRight, width);
}

void TrafficView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QPalette::ColorGroup group = !isEnabled() ? QPalette::Disabled
                                     : hasFocus() ? QPalette::Active
                                                  : QPalette::Inactive;
  const int width = viewport()->width();
  const std::uint64_t shown = RowCount();
  const int firstRow = std::max(0, event->rect().top() / rowHeight_);
  const int lastRow = event->rect().bottom() / rowHeight_;
  for (int row = firstRow; row <= lastRow; ++row) {
    const std::uint64_t shownRow = top_ + static_cast<std::uint64_t>(row);
    if (shownRow >= shown) break;
    const std::uint64_t entry = EntryOfRow(shownRow);
    const QRect rect(0, row * rowHeight_, width, rowHeight_);
    const bool selected = selection_.Contains(shownRow);
    const bool badFrame = model_.IsBadFrame(entry);
    if (selected) {
      painter.fillRect(rect, palette().brush(group, QPalette::Highlight));
    } else if (badFrame) {
      painter.fillRect(rect, kBadFrameBackground);
    }
    if (badFrame) painter.fillRect(QRect(0, rect.top(), kTextMargin, rowHeight_), kBadFrameMark);
    painter.setPen(palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(rect.adjusted(kTextMargin, 0, -kTextMargin, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     ShownText(entry));
    if (current_ == shownRow && hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = rect;
      focus.backgroundColor = palette().color(group, QPalette::Highlight);
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
  }
}

void TrafficView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  // A taller view at the end of the list shows more of it.
  SetTopEntry(following_ ? MaxTop() : top_);
}

void TrafficView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) TakeFontMetrics();
}

void TrafficView::TakeFontMetrics() {
  const QFontMetrics metrics(font());
  rowHeight_ = metrics.height() + 1;
  charWidth_ = std::max(1, metrics.averageCharWidth());
  SetTopEntry(top_);
  viewport()->update();
}

void TrafficView::wheelEvent(QWheelEvent* event) {
  // A notch scrolls the desktop's number of lines; smaller steps (touch pads)
  // add up to notches.
  wheelRemainder_ += event->angleDelta().y();
  const int notches = wheelRemainder_ / kWheelNotch;
  wheelRemainder_ -= notches * kWheelNotch;
  ScrollBy(-static_cast<std::int64_t>(notches) * QApplication::wheelScrollLines());
  event->accept();
  if (notches != 0) emit ScrolledByUser();
}

bool TrafficView::eventFilter(QObject* watched, QEvent* event) {
  // The wheel over the scroll bar scrolls by entries too.
  if (watched == verticalScrollBar() && event->type() == QEvent::Wheel) {
    wheelEvent(static_cast<QWheelEvent*>(event));
    return true;
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

void TrafficView::keyPressEvent(QKeyEvent* event) {
  const std::uint64_t shown = RowCount();
  if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Space && (event->modifiers() & Qt::ControlModifier) != 0 && current_) {
    selection_.Toggle(*current_);
    anchor_ = *current_;
    viewport()->update();
    event->accept();
    return;
  }
  const auto page = static_cast<std::uint64_t>(PageRows());
  // Without a current entry, the first step selects the top visible one.
  const std::uint64_t from = current_.value_or(top_);
  const bool have = current_.has_value();
  std::uint64_t to = 0;
  switch (event->key()) {
    case Qt::Key_Up: to = have && from > 0 ? from - 1 : from; break;
    case Qt::Key_Down: to = have ? from + 1 : from; break;
    case Qt::Key_PageUp: to = from > page ? from - page : 0; break;
    case Qt::Key_PageDown: to = from + page; break;
    case Qt::Key_Home: to = 0; break;
    case Qt::Key_End: to = shown - 1; break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
  }
  event->accept();
  if (shown == 0) return;
  to = std::min(to, shown - 1);
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if ((modifiers & Qt::ShiftModifier) != 0) {
    if (!have) anchor_ = from;
    selection_.SelectRange(anchor_, to);
    MoveCurrent(to);
  } else if ((modifiers & Qt::ControlModifier) != 0) {
    MoveCurrent(to);  // moves without selecting, as Ctrl+Space then toggles
  } else {
    SelectRow(to);
  }
}

void TrafficView::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  const std::optional<std::uint64_t> entry = RowAt(event->position().toPoint());
  if (!entry) return;
  const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
  dragAdds_ = control;
  if (shift && current_) {
    if (!control) selection_.Clear();
    selection_.AddRange(anchor_, *entry);
    MoveCurrent(*entry);
  } else if (control) {
    selection_.Toggle(*entry);
    anchor_ = *entry;
    MoveCurrent(*entry);
  } else {
    SelectRow(*entry);
  }
}

void TrafficView::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if ((event->buttons() & Qt::LeftButton) == 0) return;
  const std::optional<std::uint64_t> entry = RowAt(event->position().toPoint());
  if (!entry || entry == current_) return;
  if (dragAdds_) {
    selection_.AddRange(anchor_, *entry);
  } else {
    selection_.SelectRange(anchor_, *entry);
  }
  MoveCurrent(*entry);
}

bool TrafficView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const std::optional<std::uint64_t> shownRow = RowAt(help->pos());
    const std::string tip = shownRow ? EntryToolTip(model_, EntryOfRow(*shownRow)) : std::string();
    if (tip.empty()) {
      QToolTip::hideText();
    } else {
      const auto row = static_cast<int>(*shownRow - top_);
      QToolTip::showText(help->globalPos(), ToQString(tip), viewport(),
                         QRect(0, row * rowHeight_, viewport()->width(), rowHeight_));
    }
    return true;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

void TrafficView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (const std::optional<std::uint64_t> entry = EntryAt(event->position().toPoint())) {
    emit EntryDoubleClicked(*entry);
  }
  event->accept();
}
