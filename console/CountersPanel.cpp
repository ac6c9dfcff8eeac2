#include "console/CountersPanel.h"

#include <algorithm>
#include <string>
#include <utility>

#include "core/StringTable.h"
#include "platform/QtText.h"
#include "traffic/TrafficCounters.h"

CountersPanel::CountersPanel(Reader read, QWidget* parent) : ElidedLabel(parent), read_(std::move(read)) {
  refresh_.setSingleShot(true);
  connect(&refresh_, &QTimer::timeout, this, [this] { Refresh(); });
  sinceRefresh_.start();
}

void CountersPanel::ApplyLanguageTexts() {
  help_ = ToQString(fkt_LoadResText(8221) + "\n" +
                    fkt_FormatInsertParam(fkt_LoadResText(8223), std::to_string(TrafficCounters::kReplyWindow)));
  clear();
  Refresh();
}

void CountersPanel::ScheduleRefresh() {
  if (refresh_.isActive()) return;
  refresh_.start(static_cast<int>(std::max<qint64>(0, kRefreshMs - sinceRefresh_.elapsed())));
}

void CountersPanel::Refresh() {
  sinceRefresh_.restart();
  const CounterReadings readings = read_();
  QStringList forms = CounterForms(readings);
  if (text() != forms.front()) {
    const QString full = forms.takeFirst();
    setText(full);
    setShorterForms(forms);
    setToolTip(full + "\n\n" + help_);
  }
  // Until the rate has fallen to zero, once more; then nothing until traffic.
  if (readings.rateAboveZero) ScheduleRefresh();
}
