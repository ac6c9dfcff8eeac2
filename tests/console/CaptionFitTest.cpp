// Every caption of every window fits its control in both languages: labels,
// buttons, check boxes and frame titles are measured in the program's own
// font against the room their control leaves for text.
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>

#include "console/CounterTexts.h"
#include "console/MainWindowGeometry.h"
#include "core/StringTable.h"
#include "dialogs/frmProgramInfo.h"
#include "dialogs/frmSettings.h"
#include "dialogs/frmSpecialChar.h"
#include "platform/ElidedLabel.h"
#include "platform/QtText.h"
#include "platform/Twips.h"
#include "tests/console/ConsoleFixture.h"

namespace {

// The widest line of a caption, mnemonic ampersands left out.
int TextWidth(const QWidget& w, QString text) {
  text.remove('&');
  int widest = 0;
  for (const QString& line : text.split('\n')) widest = std::max(widest, w.fontMetrics().horizontalAdvance(line));
  return widest;
}

// The room a control leaves for its caption.
int Room(const QWidget& w) {
  const QStyle& style = *w.style();
  if (const auto* check = qobject_cast<const QCheckBox*>(&w)) {
    return check->width() - style.pixelMetric(QStyle::PM_IndicatorWidth, nullptr, check) -
           style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, check);
  }
  if (qobject_cast<const QAbstractButton*>(&w) != nullptr) {
    return w.width() - 2 * style.pixelMetric(QStyle::PM_ButtonMargin, nullptr, &w) -
           2 * style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &w);
  }
  if (const auto* label = qobject_cast<const QLabel*>(&w)) return label->contentsRect().width() - 2 * label->margin();
  return w.width();
}

// "control: needs N px, has M" for every caption that does not fit.
std::vector<std::string> Clipped(const QWidget& window) {
  std::vector<std::string> clipped;
  auto check = [&](const QWidget& w, const QString& text) {
    if (text.isEmpty()) return;
    const int need = TextWidth(w, text);
    const int room = Room(w);
    if (need > room) {
      clipped.push_back(window.objectName().toStdString() + "/" + w.objectName().toStdString() + " \"" +
                        text.toStdString() + "\": needs " + std::to_string(need) + " px, has " + std::to_string(room));
    }
  };
  for (const QLabel* w : window.findChildren<QLabel*>()) {
    // A label hidden until something happens is checked where it shows.
    if (!w->isVisibleTo(&window)) continue;
    // A label that gives way must show one of its forms whole.
    if (const auto* shortening = dynamic_cast<const ElidedLabel*>(w)) {
      const QString shown = shortening->shownText();
      if (shown != w->text() && !shortening->shorterForms().contains(shown)) {
        clipped.push_back(window.objectName().toStdString() + "/" + w->objectName().toStdString() + " \"" +
                          shown.toStdString() + "\": no form of \"" + w->text().toStdString() + "\" fits " +
                          std::to_string(Room(*w)) + " px");
      }
      continue;
    }
    check(*w, w->text());
  }
  for (const QAbstractButton* w : window.findChildren<QAbstractButton*>()) check(*w, w->text());
  for (const QGroupBox* w : window.findChildren<QGroupBox*>()) {
    // A frame's title sits inside its border, with a little room at each end.
    if (w->title().isEmpty()) continue;
    const int need = TextWidth(*w, w->title()) + 2 * w->fontMetrics().averageCharWidth();
    if (need > w->width()) clipped.push_back(window.objectName().toStdString() + "/" + w->objectName().toStdString());
  }
  return clipped;
}

class CaptionsFit : public ConsoleFixture, public ::testing::WithParamInterface<int> {};

TEST_P(CaptionsFit, InEveryWindow) {
  WriteSettings("Language=" + std::to_string(GetParam()) + "\r\n");
  frmMain& main = Open();
  EXPECT_THAT(Clipped(main), ::testing::IsEmpty());

  frmSettings settings;
  settings.Form_Load();
  EXPECT_THAT(Clipped(settings), ::testing::IsEmpty());
  frmSpecialChar picker;
  picker.Form_Load();
  EXPECT_THAT(Clipped(picker), ::testing::IsEmpty());
  frmProgramInfo info;
  info.Form_Load();
  EXPECT_THAT(Clipped(info), ::testing::IsEmpty());
}

// At the window's minimum width, the link state (with the loopback settings
// of a first run) keeps its whole text, and beside it the counters show one
// of their forms whole, even with figures as large as a long flood leaves.
TEST_P(CaptionsFit, InTheStatusBarAtTheMinimumWidth) {
  WriteSettings("Language=" + std::to_string(GetParam()) + "\r\n");
  frmMain& main = Open();
  ASSERT_EQ(main.width(), Px(kMainMinWidth - kMainFrameWidth));
  auto* link = main.findChild<QLabel*>("stbStatusPanel1");
  auto* counters = main.findChild<ElidedLabel*>("stbCounters");
  ASSERT_NE(link, nullptr);
  ASSERT_NE(counters, nullptr);
  link->setText(ToQString(fkt_LoadResText(1701)) +
                "[ Local IP: 127.0.0.1 | Local Port: 8365 | Remote IP: 127.0.0.1 | Remote Port: 8364 ]");

  const CounterReadings worst{.sent = 123'456,
                              .received = 876'543,
                              .receivedPerSecond = 1'234'567,
                              .badFrames = 123'456,
                              .lastReply = 12'345,
                              .meanReply = 23'456};
  const CounterReadings usual{
      .sent = 42, .received = 45, .receivedPerSecond = 2, .badFrames = 3, .lastReply = 2'345, .meanReply = 2'100};
  const struct {
    const char* name = nullptr;
    CounterReadings readings;
    qsizetype shownForm = 0;  // 0 the full text, 1 compact with the mean, 2 without it
  } cases[] = {{"worst", worst, 2}, {"usual", usual, 1}};
  for (const auto& c : cases) {
    QStringList forms = CounterForms(c.readings);
    counters->setText(forms.takeFirst());
    counters->setShorterForms(forms);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    EXPECT_THAT(Clipped(main), ::testing::IsEmpty()) << c.name;
    EXPECT_EQ(counters->shownText(), forms.value(c.shownForm - 1)) << c.name;
  }
  // Following paused says so beside them, in one of its forms.
  auto* paused = main.findChild<ElidedLabel*>("stbFollowPaused");
  ASSERT_NE(paused, nullptr);
  paused->show();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  EXPECT_THAT(Clipped(main), ::testing::IsEmpty());
  EXPECT_TRUE(paused->shownText() == paused->text() || paused->shorterForms().contains(paused->shownText()))
      << paused->shownText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, CaptionsFit, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "German" : "English"; });

}  // namespace
