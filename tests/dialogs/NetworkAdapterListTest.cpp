#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>

#include "core/AppSettings.h"
#include "dialogs/NetworkAdapterList.h"
#include "tests/support/FakePlatform.h"

namespace {

NetworkAdapterInfo Card(const std::string& description, const std::string& address,
                        std::array<std::uint8_t, 6> hardware = {0, 27, 44, 61, 78, 95}) {
  return {description, hardware, address};
}

class AdapterList : public ::testing::Test {
 protected:
  void SetUp() override { AppSettings = {}; }
  void Fill(const std::string& localeIpAddress) { fkt_ToolsGetNetworkAdapters(visible, hidden, localeIpAddress); }

  FakePlatform platform;
  QComboBox visible;
  QComboBox hidden;
};

TEST_F(AdapterList, EntryTextsShowDescriptionHardwareAndAddress) {
  struct Case {
    NetworkAdapterInfo card;
    const char* entry;
  };
  const Case cases[] = {
      {Card("Ethernet adapter", "127.0.0.5"), "Ethernet adapter (MAC: 00-1B-2C-3D-4E-5F | IP: 127.0.0.5)"},
      {Card("lo", "127.0.0.1", {10, 255, 0, 1, 2, 171}), "lo (MAC: 0A-FF-00-01-02-AB | IP: 127.0.0.1)"},
      {Card(std::string("eth1\0old name", 13), std::string("127.0.0.9\0\0", 11)),
       "eth1 (MAC: 00-1B-2C-3D-4E-5F | IP: 127.0.0.9)"},
      {Card("no address", "0.0.0.0"), "no address (MAC: 00-1B-2C-3D-4E-5F | IP: 0.0.0.0)"},
  };
  for (const Case& c : cases) platform.adapters.push_back(c.card);
  Fill("testhost");
  ASSERT_EQ(visible.count(), static_cast<int>(std::size(cases)));
  ASSERT_EQ(hidden.count(), visible.count());
  const char* addresses[] = {"127.0.0.5", "127.0.0.1", "127.0.0.9", "0.0.0.0"};
  for (int i = 0; i < visible.count(); ++i) {
    EXPECT_EQ(visible.itemText(i).toStdString(), cases[i].entry);
    EXPECT_EQ(hidden.itemText(i).toStdString(), addresses[i]);
  }
}

TEST_F(AdapterList, SelectsTheFirstCardWithTheStoredAddress) {
  struct Case {
    const char* name;
    std::vector<const char*> addresses;
    const char* stored;
    int selected;
  };
  const Case cases[] = {
      {"third card", {"127.0.0.1", "127.0.0.2", "127.0.0.3"}, "127.0.0.3", 2},
      {"first of two equal cards", {"127.0.0.1", "127.0.0.7", "127.0.0.7"}, "127.0.0.7", 1},
      {"host name", {"127.0.0.1", "127.0.0.2"}, "testhost", -1},
      {"prefix of an address", {"127.0.0.12"}, "127.0.0.1", -1},
  };
  for (const Case& c : cases) {
    platform.adapters.clear();
    for (const char* address : c.addresses) platform.adapters.push_back(Card("card", address));
    Fill(c.stored);
    EXPECT_EQ(visible.currentIndex(), c.selected) << c.name;
  }
}

TEST_F(AdapterList, DropDownFitsTheWidestEntryAndAScrollBarAboveEightEntries) {
  const std::string widest = "A card with a rather long description";
  for (int count : {8, 9}) {
    platform.adapters.assign(static_cast<std::size_t>(count - 1), Card("short", "127.0.0.1"));
    platform.adapters.push_back(Card(widest, "127.0.0.2"));
    Fill("");
    const int text = visible.fontMetrics().horizontalAdvance(visible.itemText(count - 1));
    EXPECT_EQ(visible.view()->minimumWidth(), text + (count == 8 ? 10 : 25)) << count << " entries";
  }
}

TEST_F(AdapterList, WithoutCardsTheListShowsOneLockedRedEntry) {
  Fill("127.0.0.1");
  EXPECT_EQ(visible.count(), 0);
  ApplyEmptyAdapterListRule(visible, hidden);
  EXPECT_EQ(hidden.count(), 0);
  ASSERT_EQ(visible.count(), 1);
  EXPECT_EQ(visible.itemText(0), "");  // the string table has no text 3154
  EXPECT_EQ(visible.currentIndex(), 0);
  EXPECT_EQ(visible.palette().color(QPalette::ButtonText), QColor(255, 0, 0));
  EXPECT_TRUE(IsComboLocked(visible));

  visible.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&visible));
  QTest::mouseClick(&visible, Qt::LeftButton);
  QTest::keyClick(&visible, Qt::Key_Down, Qt::AltModifier);
  EXPECT_FALSE(visible.view()->isVisible());
}

TEST_F(AdapterList, TheEmptyListRuleLeavesAFilledListAlone) {
  platform.adapters = {Card("card", "127.0.0.1")};
  Fill("127.0.0.1");
  ApplyEmptyAdapterListRule(visible, hidden);
  EXPECT_EQ(visible.count(), 1);
  EXPECT_FALSE(IsComboLocked(visible));
}

}  // namespace
