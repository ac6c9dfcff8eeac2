// The traffic view: scrolling by entry, keys, wheel and scroll bar.
#include <QScrollBar>
#include <QWheelEvent>
#include <limits>

#include "console/RowScroll.h"
#include "tests/console/LinkFixture.h"

namespace {

struct ScrollCase {
  std::uint64_t top, maxTop;
  int value;
};

TEST(RowScroll, MapsAnyEntryCountOntoTheScrollBarAndBack) {
  constexpr std::uint64_t kBillions = 5'000'000'000;  // more entries than an int counts
  const ScrollCase cases[] = {
      {0, 0, 0},
      {17, 1000, 17},
      {RowScroll::kMaxValue, RowScroll::kMaxValue, RowScroll::kMaxValue},
      {0, kBillions, 0},
      {kBillions / 2, kBillions, RowScroll::kMaxValue / 2},
      {kBillions, kBillions, RowScroll::kMaxValue},
      {std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<std::uint64_t>::max(), RowScroll::kMaxValue},
  };
  for (const ScrollCase& c : cases) {
    EXPECT_EQ(RowScroll::ToValue(c.top, c.maxTop), c.value) << c.top << " of " << c.maxTop;
    // Back to the same entry, or within one scroll bar value's worth of entries.
    const std::uint64_t back = RowScroll::ToTop(c.value, c.maxTop);
    EXPECT_LE(back, c.top) << c.top;
    EXPECT_LE(c.top - back, c.maxTop / RowScroll::kMaxValue + 1) << c.top;
  }
  EXPECT_EQ(RowScroll::ToTop(RowScroll::kMaxValue, kBillions), kBillions);
  EXPECT_EQ(RowScroll::ToTop(-5, 1000), 0U);
  EXPECT_EQ(RowScroll::ToTop(5000, 1000), 1000U);
}

class ViewNavigation : public LinkFixture {
 protected:
  void List(int entries) {
    for (int n = 0; n < entries; ++n) window->Session().ReceiveData("entry " + std::to_string(n));
    window->TrafficList().Commit();
  }
  void Wheel(int notches) {
    QWheelEvent wheel(QPointF(10, 10), View().viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, notches * 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View().viewport(), &wheel);
  }
};

TEST_F(ViewNavigation, KeysMoveTheSelectionAndScrollItIntoView) {
  OpenLinked();
  List(1000);
  const auto page = static_cast<std::uint64_t>(View().PageRows());
  struct Step {
    Qt::Key key;
    std::uint64_t current, top;
  };
  const Step steps[] = {
      {Qt::Key_Down, 0, 0},             // nothing selected: the top entry
      {Qt::Key_End, 999, 1000 - page},  // the last entry at the bottom
      {Qt::Key_PageUp, 999 - page, 999 - page},
      {Qt::Key_Home, 0, 0},
      {Qt::Key_PageDown, page, 1},
      {Qt::Key_Up, page - 1, 1},
  };
  View().setFocus();
  for (const Step& s : steps) {
    QTest::keyClick(&View(), s.key);
    EXPECT_EQ(View().CurrentEntry(), s.current) << QKeySequence(s.key).toString().toStdString();
    EXPECT_EQ(View().TopEntry(), s.top) << QKeySequence(s.key).toString().toStdString();
  }
}

TEST_F(ViewNavigation, WheelAndScrollBarScrollByEntriesWithoutSelecting) {
  OpenLinked();
  List(1000);
  const auto maxTop = static_cast<std::uint64_t>(1000 - View().PageRows());
  Wheel(-2);
  EXPECT_EQ(View().TopEntry(), 2U * static_cast<std::uint64_t>(QApplication::wheelScrollLines()));
  Wheel(5);
  EXPECT_EQ(View().TopEntry(), 0U);

  QScrollBar* bar = View().verticalScrollBar();
  EXPECT_EQ(bar->maximum(), static_cast<int>(maxTop));
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(View().TopEntry(), maxTop);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(View().TopEntry(), maxTop - 1);
  bar->setValue(100);  // a drag
  EXPECT_EQ(View().TopEntry(), 100U);
  EXPECT_FALSE(View().CurrentEntry().has_value());
  // The rows shown are the entries from the top.
  EXPECT_TRUE(View().ShownText(100).endsWith("entry 100"));
  EXPECT_EQ(View().EntryAt(QPoint(5, View().RowHeight() + 1)), 101U);
}

}  // namespace
