// The filter bar and the steps to wrong block checks, in the window.
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>

#include "console/FilterBar.h"
#include "console/FilterTools.h"
#include "console/ListTools.h"
#include "tests/console/LinkFixture.h"
#include "traffic/FilterRunner.h"

namespace {

class FilterTools : public LinkFixture {
 protected:
  QString Count() { return Control<QLabel>("labFilterCount")->text(); }
  QPoint RowPoint(int row) { return {10, View().RowHeight() * row + 2}; }
  void ShowOnly(int index) {
    Control<QComboBox>("cboFilterShow")->setCurrentIndex(index);
    Control<QPushButton>("cmdFilterApply")->click();
  }
  void ListSome() {
    window->fkt_SendLine("<STX>a<ETX>");  // 0
    for (const char* received : {"\x02"
                                 "b\x03",
                                 "c", "d"})
      window->Session().ReceiveData(received);  // 1, 2, 3
    window->fkt_SendLine("e");                  // 4
    window->TrafficList().Commit();
  }
};

TEST_F(FilterTools, TheViewShowsOnlyMatchesAsTheyComeAndReturnsToTheSameEntry) {
  OpenLinked();
  ListSome();
  const int height = window->height();
  QTest::keyClick(Control("txtBefehl3"), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_TRUE(Control("txtFilter")->isVisible());
  QTRY_COMPARE(window->height(), height + Control<QToolBar>("filterBar")->height());

  ShowOnly(1);  // received only
  ASSERT_EQ(View().RowCount(), 3U);
  EXPECT_EQ(View().EntryAt(RowPoint(0)), 1U);
  EXPECT_EQ(View().EntryAt(RowPoint(2)), 3U);
  EXPECT_EQ(View().EntryAt(RowPoint(3)), std::nullopt);
  EXPECT_EQ(Count(), "3 of 5 entries shown");

  // Selection and copy act on the rows shown.
  View().setFocus();
  QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, RowPoint(1));
  QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::ShiftModifier, RowPoint(2));
  EXPECT_EQ(View().CurrentEntry(), 3U);
  QTest::keyClick(&View(), Qt::Key_C, Qt::ControlModifier);
  const QStringList lines = QApplication::clipboard()->text().split('\n');
  ASSERT_EQ(lines.size(), 2) << QApplication::clipboard()->text().toStdString();
  EXPECT_TRUE(lines[0].endsWith("  [IN]   c"));
  EXPECT_TRUE(lines[1].endsWith("  [IN]   d"));

  // Arrivals are filtered as they come; a send the filter hides selects nothing.
  QSignalSpy appended(&View(), &TrafficView::RowsAppended);
  window->Session().ReceiveData("x");  // 5
  window->fkt_SendLine("y");           // 6
  window->TrafficList().Commit();
  EXPECT_EQ(View().RowCount(), 4U);
  EXPECT_EQ(View().EntryAt(RowPoint(3)), 5U);
  ASSERT_EQ(appended.count(), 1);  // the row of entry 5, not the rows of the entries
  EXPECT_EQ(appended[0][0].toULongLong(), 3U);
  EXPECT_EQ(appended[0][1].toULongLong(), 4U);
  EXPECT_EQ(Count(), "4 of 7 entries shown");
  EXPECT_EQ(View().CurrentEntry(), 3U);

  // Received and holding "D" (any case): entry 3 alone, which stays current.
  auto* field = Control<QLineEdit>("txtFilter");
  field->setText("D");
  QTest::keyClick(field, Qt::Key_Return);
  ASSERT_EQ(View().RowCount(), 1U);
  EXPECT_EQ(View().CurrentEntry(), 3U);
  EXPECT_EQ(Count(), "1 of 7 entries shown");
  Control<QCheckBox>("chkFilterMatchCase")->setChecked(true);
  EXPECT_EQ(View().RowCount(), 0U);
  EXPECT_EQ(View().CurrentEntry(), std::nullopt);
  Control<QCheckBox>("chkFilterMatchCase")->setChecked(false);

  // Show all: the full list, at the same entry, selected alone.
  QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, RowPoint(0));
  Control<QPushButton>("cmdFilterShowAll")->click();
  EXPECT_EQ(View().Rows(), nullptr);
  EXPECT_EQ(View().RowCount(), 7U);
  EXPECT_EQ(View().CurrentEntry(), 3U);
  EXPECT_EQ(View().Selection().Runs(), (EntrySelection::Ranges{{3, 4}}));
  EXPECT_EQ(Count(), "7 of 7 entries shown");

  // Esc closes the bar, ends the filter, and the window is as before.
  ShowOnly(2);  // sent only
  EXPECT_EQ(View().RowCount(), 3U);
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(Control("filterBar")->isVisible());
  EXPECT_EQ(View().Rows(), nullptr);
  QTRY_COMPARE(window->height(), height);
}

// The count with the thousands separator of each language.
class FilterCount : public FilterTools, public ::testing::WithParamInterface<int> {};

TEST_P(FilterCount, GroupsThousandsAsTheLanguageDoes) {
  WriteSettings("Language=" + std::to_string(GetParam()) + "\r\n");
  Open();
  for (int n = 0; n < 12'345; ++n) {
    window->TrafficList().Append(EntryKind::IncomingDisplay, 0, n % 10 == 0 ? "ten" : "other");
  }
  window->TrafficList().Commit();
  window->Tools().Filter().ShowFilterBar();
  Control<QLineEdit>("txtFilter")->setText("ten");
  Control<QPushButton>("cmdFilterApply")->click();
  QTRY_VERIFY(!window->Tools().Filter().Bar()->Runner().Running());
  EXPECT_EQ(Count(), GetParam() == 0 ? "1.235 von 12.345 Einträgen angezeigt" : "1,235 of 12,345 entries shown");
}

INSTANTIATE_TEST_SUITE_P(Languages, FilterCount, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "German" : "English"; });

TEST_F(FilterTools, CtrlBStepsThroughWrongBlockChecksWithAndWithoutAFilter) {
  Open();
  auto& list = window->TrafficList();
  const bool bad[] = {false, true, false, false, true, false};
  for (const bool b : bad) list.Append(EntryKind::IncomingDisplay, 0, "frame", b);
  list.Append(EntryKind::Outgoing, 0, "sent", false);  // 6
  list.Commit();
  View().setFocus();
  const auto step = [this](bool forward) {
    QTest::keyClick(&View(), Qt::Key_B, forward ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
    return View().CurrentEntry();
  };
  EXPECT_EQ(step(true), 1U);
  EXPECT_EQ(step(true), 4U);
  EXPECT_EQ(window->statusBar()->currentMessage(), "");
  EXPECT_EQ(step(true), 1U);  // round the end
  EXPECT_EQ(window->statusBar()->currentMessage(), "Continued from the top.");
  EXPECT_EQ(step(false), 4U);
  EXPECT_EQ(View().Selection().Runs(), (EntrySelection::Ranges{{4, 5}}));

  // Over the rows of a filter: from the current entry among those shown.
  window->Tools().Filter().ShowFilterBar();
  Control<QLineEdit>("txtFilter")->setText("frame");
  Control<QPushButton>("cmdFilterApply")->click();
  View().setFocus();
  EXPECT_EQ(View().CurrentEntry(), 4U);
  EXPECT_EQ(step(false), 1U);
  Control<QComboBox>("cboFilterShow")->setCurrentIndex(2);  // sent only: no wrong block check shown
  Control<QPushButton>("cmdFilterApply")->click();
  View().setFocus();
  EXPECT_EQ(step(true), std::nullopt);
  EXPECT_EQ(window->statusBar()->currentMessage(), "No wrong block check in the list.");
}

}  // namespace
