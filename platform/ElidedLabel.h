#pragma once
// A one-line label that gives way: when its room is short it shows as much of
// its text as fits, ending in "...", instead of asking for its full width. For
// texts beside others that must keep theirs (the status bar's first panel).
#include <QLabel>
#include <QPainter>

class ElidedLabel : public QLabel {
 public:
  using QLabel::QLabel;

  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    const QRect room = contentsRect();
    painter.drawText(room, static_cast<int>(alignment()), fontMetrics().elidedText(text(), Qt::ElideRight, room.width()));
  }
};
