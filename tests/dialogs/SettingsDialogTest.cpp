#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <tuple>
#include <utility>

#include "dialogs/Dialogs.h"
#include "dialogs/IpControl.h"
#include "tests/dialogs/DialogsFixture.h"

namespace {

// Flags of 2 and 7 show as 0 and 1; left alone they must be stored back as
// they were, not as what the controls show.
const AppSettingsRecord kStored{.UdpPort = "7001",
                                .UdpPortLocale = "7002",
                                .UdpAddress = "127.0.0.20",
                                .LocaleIpAddress = "127.0.0.2",
                                .Peculiar = 2,
                                .Language = 7,
                                .PrefixOption = 1,
                                .ReadjustOption = 0,
                                .PrefixChars = "<STX>",
                                .ReadjustChars = "<ETX>",
                                .DeleteSendChars = 1,
                                .SettingsFolder = {}};

// The stored fields, comparable and printable.
auto Stored(const AppSettingsRecord& s) {
  return std::tie(s.UdpAddress, s.UdpPort, s.UdpPortLocale, s.LocaleIpAddress, s.Peculiar, s.Language, s.PrefixOption,
                  s.ReadjustOption, s.PrefixChars, s.ReadjustChars, s.DeleteSendChars);
}

class SettingsDialog : public DialogsFixture {
 protected:
  void SetUp() override {
    DialogsFixture::SetUp();
    platform.adapters = {{"lo", {0, 0, 0, 0, 0, 0}, "127.0.0.1"}, {"eth0", {0, 27, 44, 61, 78, 95}, "127.0.0.2"}};
    AppSettings = kStored;
  }
  void Open(DialogAction action) {
    shownCount = 0;
    OnModal("frmSettings", std::move(action));
    ShowSettingsDialog(nullptr);
    EXPECT_EQ(shownCount, 1);
  }
};

// Keys typed as an operator types them: each goes to whatever has the focus.
void Type(const char* keys) {
  for (const char* k = keys; *k != '\0'; ++k) QTest::keyClick(QApplication::focusWidget(), *k);
}

TEST_F(SettingsDialog, AnAddressIsTypedStraightThroughAsAnOperatorTypesIt) {
  // The dialog opens in the address's first field, its text selected; a
  // second address typed over the first must not meet carets left behind.
  Open([](QDialog& d) {
    auto* first = Control<QLineEdit>(d, "txtSegment1");
    EXPECT_EQ(QApplication::focusWidget(), first);
    Type("10.0.0.1");
    EXPECT_EQ(Control<IpControl>(d, "IpAddress")->GetValue(), "10.0.0.1");
    QTest::mouseClick(first, Qt::LeftButton);
    QTest::keyClick(first, Qt::Key_A, Qt::ControlModifier);
    Type("192168001010");
    EXPECT_EQ(Control<IpControl>(d, "IpAddress")->GetValue(), "192.168.1.10");
    QTest::mouseClick(first, Qt::LeftButton);
    QTest::keyClick(first, Qt::Key_A, Qt::ControlModifier);
    Type("1.2.3.4");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  });
  EXPECT_EQ(AppSettings.UdpAddress, "1.2.3.4");
}

TEST_F(SettingsDialog, FillsEveryControlAndOkSavesEveryControl) {
  Open([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "General Settings");  // any language but German shows English
    EXPECT_EQ(Control<IpControl>(d, "IpAddress")->GetValue(), "127.0.0.20");
    EXPECT_EQ(Control<QLineEdit>(d, "txtUdpPort")->text(), "7001");
    EXPECT_EQ(Control<QLineEdit>(d, "txtUdpPortLocale")->text(), "7002");
    EXPECT_EQ(Control<QComboBox>(d, "cboNetworkAdapters")->currentIndex(), 1);
    EXPECT_EQ(Control<QComboBox>(d, "cboLanguageProgram")->currentText(), "Englisch");
    EXPECT_FALSE(Control<QCheckBox>(d, "chkSpecialChar")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(d, "chkDeleteSendText")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(d, "chkPrefix")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(d, "chkReadjust")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(d, "txtPrefix")->text(), "<STX>");
    EXPECT_EQ(Control<QLineEdit>(d, "txtReadjust")->text(), "<ETX>");
    // The suffix is switched off with its box (page 4 itself is off too).
    EXPECT_FALSE(Control<QLineEdit>(d, "txtReadjust")->isEnabledTo(Control(d, "Frame1")));

    Control<IpControl>(d, "IpAddress")->SetValue("127.0.0.9");
    Control<QLineEdit>(d, "txtUdpPort")->setText("abc");
    Control<QLineEdit>(d, "txtUdpPortLocale")->setText("");
    Control<QComboBox>(d, "cboNetworkAdapters")->setCurrentIndex(0);
    Control<QComboBox>(d, "cboLanguageProgram")->setCurrentIndex(0);
    Control<QCheckBox>(d, "chkSpecialChar")->setChecked(true);
    Control<QCheckBox>(d, "chkDeleteSendText")->setChecked(false);
    Control<QCheckBox>(d, "chkPrefix")->setChecked(false);
    Control<QCheckBox>(d, "chkReadjust")->setChecked(true);
    Control<QLineEdit>(d, "txtPrefix")->setText("<CR>");
    Control<QLineEdit>(d, "txtReadjust")->setText("<LF>");
    Click(d, "cmdOk");
    EXPECT_EQ(d.windowTitle(), "General Settings");  // German only from the next opening
  });
  const AppSettingsRecord expected{.UdpPort = "abc",
                                   .UdpPortLocale = "",
                                   .UdpAddress = "127.0.0.9",
                                   .LocaleIpAddress = "127.0.0.1",
                                   .Peculiar = 1,
                                   .Language = 0,
                                   .PrefixOption = 0,
                                   .ReadjustOption = 1,
                                   .PrefixChars = "<CR>",
                                   .ReadjustChars = "<LF>",
                                   .DeleteSendChars = 0,
                                   .SettingsFolder = {}};
  EXPECT_EQ(Stored(AppSettings), Stored(expected));
}

TEST_F(SettingsDialog, CancelEscAndTheCloseBoxDiscardEveryEdit) {
  const std::pair<const char*, DialogAction> ways[] = {
      {"Cancel", [](QDialog& d) { Click(d, "cmdCancel"); }},
      {"Esc", [](QDialog&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }},
      {"close box", [](QDialog& d) { d.close(); }},
  };
  for (const auto& [way, close] : ways) {
    Open([close = close](QDialog& d) {
      Control<QLineEdit>(d, "txtUdpPort")->setText("9999");
      Control<QComboBox>(d, "cboLanguageProgram")->setCurrentIndex(0);
      Control<QCheckBox>(d, "chkPrefix")->setChecked(false);
      close(d);
      EXPECT_EQ(d.result(), QDialog::Rejected);
    });
    EXPECT_EQ(Stored(AppSettings), Stored(kStored)) << way;
  }
}

TEST_F(SettingsDialog, PageFourCannotBeReachedAndOkKeepsEveryUntouchedValue) {
  Open([](QDialog& d) {
    auto* tabs = Control<QTabWidget>(d, "SSTab1");
    QTabBar* bar = tabs->tabBar();
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    EXPECT_EQ(tabs->currentIndex(), 2);
    Click(d, "cmdOk");
  });
  EXPECT_EQ(Stored(AppSettings), Stored(kStored));
}

TEST_F(SettingsDialog, WithoutCardsOkStoresNoLocalAddress) {
  platform.adapters.clear();
  Open([](QDialog& d) {
    EXPECT_EQ(Control<QComboBox>(d, "cboNetworkAdapters")->currentIndex(), 0);  // the one empty entry
    Click(d, "cmdOk");
  });
  EXPECT_EQ(AppSettings.LocaleIpAddress, "");
}

}  // namespace
