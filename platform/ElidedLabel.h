#pragma once
// A one-line label that gives way: when its room is short it shows the first
// of its shorter forms that fits, and failing those as much of the shortest
// as fits, ending in "...", instead of asking for its full width. For texts
// beside others that must keep theirs (the status bar's first panel).
#include <QLabel>
#include <QPainter>
#include <QStringList>
#include <utility>

class ElidedLabel : public QLabel {
 public:
  using QLabel::QLabel;

  // Shorter forms of text(), fullest first; set again with each new text.
  void setShorterForms(QStringList forms) {
    shorter_ = std::move(forms);
    update();
  }
  const QStringList& shorterForms() const { return shorter_; }

  // What the label shows at its present width.
  QString shownText() const {
    const int room = contentsRect().width();
    if (fontMetrics().horizontalAdvance(text()) <= room) return text();
    for (const QString& form : shorter_) {
      if (fontMetrics().horizontalAdvance(form) <= room) return form;
    }
    return fontMetrics().elidedText(shorter_.isEmpty() ? text() : shorter_.back(), Qt::ElideRight, room);
  }

  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    painter.drawText(contentsRect(), static_cast<int>(alignment()), shownText());
  }

 private:
  QStringList shorter_;
};
