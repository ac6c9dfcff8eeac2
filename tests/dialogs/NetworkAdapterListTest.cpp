// The network card lists of the settings dialog, filled from a fake platform.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

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
  int SelectedFor(const std::vector<const char*>& addresses, const char* stored) {
    platform.adapters.clear();
    for (const char* address : addresses) platform.adapters.push_back(Card("card", address));
    Fill(stored);
    return visible.currentIndex();
  }

  FakePlatform platform;
  QComboBox visible;
  QComboBox hidden;
};

TEST_F(AdapterList, EntryTextsShowDescriptionHardwareAndAddress) {
  platform.adapters = {
      Card("lo", "127.0.0.1", {10, 255, 0, 1, 2, 171}),
      // Texts end at a NUL, as they do in the system's fixed-size fields.
      Card(std::string("eth1\0old name", 13), std::string("127.0.0.9\0\0", 11)),
  };
  Fill("testhost");
  ASSERT_EQ(visible.count(), 2);
  EXPECT_EQ(visible.itemText(0), "lo (MAC: 0A-FF-00-01-02-AB | IP: 127.0.0.1)");
  EXPECT_EQ(visible.itemText(1), "eth1 (MAC: 00-1B-2C-3D-4E-5F | IP: 127.0.0.9)");
  ASSERT_EQ(hidden.count(), 2);
  EXPECT_EQ(hidden.itemText(0), "127.0.0.1");
  EXPECT_EQ(hidden.itemText(1), "127.0.0.9");
}

TEST_F(AdapterList, SelectsTheFirstCardWithExactlyTheStoredAddress) {
  EXPECT_EQ(SelectedFor({"127.0.0.1", "127.0.0.2", "127.0.0.3"}, "127.0.0.3"), 2);
  EXPECT_EQ(SelectedFor({"127.0.0.1", "127.0.0.7", "127.0.0.7"}, "127.0.0.7"), 1);
  EXPECT_EQ(SelectedFor({"127.0.0.1", "127.0.0.2"}, "testhost"), -1);
  EXPECT_EQ(SelectedFor({"127.0.0.12"}, "127.0.0.1"), -1);
}

TEST_F(AdapterList, DropDownFitsTheWidestEntryAndAScrollBarAboveEightEntries) {
  for (int count : {8, 9}) {
    platform.adapters.assign(static_cast<std::size_t>(count - 1), Card("short", "127.0.0.1"));
    platform.adapters.push_back(Card("A card with a rather long description", "127.0.0.2"));
    Fill("");
    const int text = visible.fontMetrics().horizontalAdvance(visible.itemText(count - 1));
    EXPECT_EQ(visible.view()->minimumWidth(), text + (count == 8 ? 10 : 25)) << count << " entries";
  }
}

TEST_F(AdapterList, WithoutCardsTheListShowsOneLockedRedEntry) {
  Fill("127.0.0.1");
  ApplyEmptyAdapterListRule(visible, hidden);
  EXPECT_EQ(hidden.count(), 0);
  ASSERT_EQ(visible.count(), 1);
  EXPECT_EQ(visible.itemText(0), "");  // the string table has no text 3154
  EXPECT_EQ(visible.currentIndex(), 0);
  EXPECT_EQ(visible.palette().color(QPalette::ButtonText), QColor(255, 0, 0));
  visible.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&visible));
  QTest::mouseClick(&visible, Qt::LeftButton);
  QTest::keyClick(&visible, Qt::Key_Down, Qt::AltModifier);
  EXPECT_FALSE(visible.view()->isVisible());
}

}  // namespace
