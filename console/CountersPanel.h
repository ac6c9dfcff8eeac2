#pragma once
// The counters panel at the right of the status bar: datagrams sent and
// received, the received rate, wrong block checks and reply times, in the
// fullest form that fits (CounterTexts.h), explained in its tooltip.
//
// The panel reads the counters itself, through the reader it is given, when
// it refreshes: at once after a quiet spell, at most every kRefreshMs while
// traffic flows, and not at all while nothing changes (no timer runs then).
// Until the rate has fallen to zero it refreshes once more on its own, so
// the rate comes down after the last datagram.
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <functional>

#include "console/CounterTexts.h"
#include "platform/ElidedLabel.h"

class CountersPanel : public ElidedLabel {
 public:
  static constexpr int kRefreshMs = 250;
  using Reader = std::function<CounterReadings()>;

  CountersPanel(Reader read, QWidget* parent);

  // The tooltip's explanation and the counters in the current language.
  void ApplyLanguageTexts();
  // The counters changed: a refresh at once or at the end of the interval.
  void ScheduleRefresh();
  // Reads and shows the counters now (after "Delete list", say).
  void Refresh();
  bool RefreshPending() const { return refresh_.isActive(); }

 private:
  Reader read_;
  QTimer refresh_;
  QElapsedTimer sinceRefresh_;
  // What the counters mean: the tooltip, below the counters' full text.
  QString help_;
};
