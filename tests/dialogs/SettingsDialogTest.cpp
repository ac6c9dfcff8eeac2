#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "dialogs/Dialogs.h"
#include "dialogs/IpControl.h"
#include "platform/QtText.h"
#include "tests/dialogs/DialogsFixture.h"

namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

AppSettingsRecord StoredSettings() {
  AppSettingsRecord s;
  s.UdpAddress = "127.0.0.20";
  s.UdpPort = "7001";
  s.UdpPortLocale = "7002";
  s.LocaleIpAddress = "127.0.0.2";
  s.Peculiar = 1;
  s.Language = 1;
  s.PrefixOption = 1;
  s.ReadjustOption = 0;
  s.PrefixChars = "<STX>";
  s.ReadjustChars = "<ETX>";
  s.DeleteSendChars = 1;
  return s;
}

bool operator==(const AppSettingsRecord& a, const AppSettingsRecord& b) {
  return std::tie(a.UdpAddress, a.UdpPort, a.UdpPortLocale, a.LocaleIpAddress, a.Peculiar, a.Language,
                  a.PrefixOption, a.ReadjustOption, a.PrefixChars, a.ReadjustChars, a.DeleteSendChars) ==
         std::tie(b.UdpAddress, b.UdpPort, b.UdpPortLocale, b.LocaleIpAddress, b.Peculiar, b.Language,
                  b.PrefixOption, b.ReadjustOption, b.PrefixChars, b.ReadjustChars, b.DeleteSendChars);
}

class SettingsDialog : public DialogsFixture {
 protected:
  void SetUp() override {
    DialogsFixture::SetUp();
    platform.adapters = {{"lo", {0, 0, 0, 0, 0, 0}, "127.0.0.1"}, {"eth0", {0, 27, 44, 61, 78, 95}, "127.0.0.2"}};
    AppSettings = StoredSettings();
  }
  void Open(DialogAction action) {
    OnModal("frmSettings", std::move(action));
    ShowSettingsDialog(nullptr);
    EXPECT_EQ(shownCount, 1);
  }
  static void ClickOk(QDialog& d) { QTest::mouseClick(Control<QPushButton>(d, "cmdOk"), Qt::LeftButton); }
};

TEST_F(SettingsDialog, FillsEveryControlFromTheSettings) {
  Open([](QDialog& d) {
    EXPECT_EQ(Control<IpControl>(d, "IpAddress")->GetValue(), "127.0.0.20");
    EXPECT_EQ(Control<QLineEdit>(d, "txtSegment4")->text(), "020");
    EXPECT_EQ(Control<QLineEdit>(d, "txtUdpPort")->text(), "7001");
    EXPECT_EQ(Control<QLineEdit>(d, "txtUdpPortLocale")->text(), "7002");
    auto* cards = Control<QComboBox>(d, "cboNetworkAdapters");
    EXPECT_EQ(cards->currentIndex(), 1);
    EXPECT_EQ(cards->toolTip(), "eth0 (MAC: 00-1B-2C-3D-4E-5F | IP: 127.0.0.2)");
    EXPECT_FALSE(Control<QComboBox>(d, "cboNetworkAdaptersMacAddress")->isVisible());
    EXPECT_EQ(Control<QComboBox>(d, "cboLanguageProgram")->currentText(), "Englisch");
    EXPECT_TRUE(Control<QCheckBox>(d, "chkSpecialChar")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(d, "chkDeleteSendText")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(d, "chkPrefix")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(d, "chkReadjust")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(d, "txtPrefix")->text(), "<STX>");
    EXPECT_EQ(Control<QLineEdit>(d, "txtReadjust")->text(), "<ETX>");
    // The suffix is switched off and shows the button face.
    // (Page 4 as a whole is switched off, so each control's own state counts.)
    auto* page4 = Control(d, "Frame1");
    EXPECT_TRUE(Control<QLineEdit>(d, "txtPrefix")->isEnabledTo(page4));
    auto* suffix = Control<QLineEdit>(d, "txtReadjust");
    EXPECT_FALSE(suffix->isEnabledTo(page4));
    EXPECT_FALSE(Control<QPushButton>(d, "cmdInsertSpecialCharReadjust")->isEnabledTo(page4));
    EXPECT_EQ(suffix->palette().color(QPalette::Base), Control<QPushButton>(d, "cmdOk")->palette().color(QPalette::Button));
    ClickOk(d);
  });
  EXPECT_TRUE(AppSettings == StoredSettings());
}

TEST_F(SettingsDialog, OkSavesEveryControl) {
  Open([](QDialog& d) {
    Control<IpControl>(d, "IpAddress")->SetValue("127.0.0.9");
    Control<QLineEdit>(d, "txtUdpPort")->setText("abc");
    Control<QLineEdit>(d, "txtUdpPortLocale")->setText("");
    Control<QComboBox>(d, "cboNetworkAdapters")->setCurrentIndex(0);
    Control<QComboBox>(d, "cboLanguageProgram")->setCurrentIndex(0);
    Control<QCheckBox>(d, "chkSpecialChar")->setChecked(false);
    Control<QCheckBox>(d, "chkDeleteSendText")->setChecked(false);
    Control<QCheckBox>(d, "chkPrefix")->setChecked(false);
    Control<QCheckBox>(d, "chkReadjust")->setChecked(true);
    Control<QLineEdit>(d, "txtPrefix")->setText("<CR>");
    Control<QLineEdit>(d, "txtReadjust")->setText("<LF>");
    ClickOk(d);
  });
  AppSettingsRecord expected;
  expected.UdpAddress = "127.0.0.9";
  expected.UdpPort = "abc";
  expected.UdpPortLocale = "";
  expected.LocaleIpAddress = "127.0.0.1";
  expected.ReadjustOption = 1;
  expected.PrefixChars = "<CR>";
  expected.ReadjustChars = "<LF>";
  EXPECT_TRUE(AppSettings == expected);
}

TEST_F(SettingsDialog, CancelEscAndTheCloseBoxDiscardEveryEdit) {
  const std::pair<const char*, DialogAction> ways[] = {
      {"Cancel", [](QDialog& d) { QTest::mouseClick(Control<QPushButton>(d, "cmdCancel"), Qt::LeftButton); }},
      {"Esc", [](QDialog&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }},
      {"close box", [](QDialog& d) { d.close(); }},
  };
  for (const auto& [way, close] : ways) {
    shownCount = 0;
    Open([close = close](QDialog& d) {
      Control<QLineEdit>(d, "txtUdpPort")->setText("9999");
      Control<QComboBox>(d, "cboLanguageProgram")->setCurrentIndex(0);
      Control<QCheckBox>(d, "chkPrefix")->setChecked(false);
      close(d);
      EXPECT_EQ(d.result(), QDialog::Rejected);
    });
    EXPECT_TRUE(AppSettings == StoredSettings()) << way;
  }
}

TEST_F(SettingsDialog, PageFourCannotBeReachedAndItsFieldsSurviveOk) {
  AppSettings.PrefixChars = "<ENQ>";
  Open([](QDialog& d) {
    auto* tabs = Control<QTabWidget>(d, "SSTab1");
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(tabs->count(), 4);
    EXPECT_FALSE(tabs->isTabEnabled(3));
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(3).center());
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    EXPECT_EQ(tabs->currentIndex(), 2);
    ClickOk(d);
  });
  EXPECT_EQ(AppSettings.PrefixChars, "<ENQ>");
  EXPECT_EQ(AppSettings.DeleteSendChars, 1);
  EXPECT_EQ(AppSettings.PrefixOption, 1);
}

TEST_F(SettingsDialog, WithoutAMatchingCardOrWithoutCardsOkStoresNoLocalAddress) {
  const std::vector<NetworkAdapterInfo> cardSets[] = {platform.adapters, {}};
  for (const auto& cards : cardSets) {
    platform.adapters = cards;
    AppSettings.LocaleIpAddress = "testhost";
    shownCount = 0;
    // Without cards the one empty entry is selected; otherwise none is.
    const int selected = cards.empty() ? 0 : -1;
    Open([selected](QDialog& d) {
      EXPECT_EQ(Control<QComboBox>(d, "cboNetworkAdapters")->currentIndex(), selected);
      ClickOk(d);
    });
    EXPECT_EQ(AppSettings.LocaleIpAddress, "") << cards.size() << " cards";
  }
}

TEST_F(SettingsDialog, FlagValuesOtherThanZeroAndOneSurviveWhenLeftAlone) {
  AppSettings.Peculiar = 2;
  AppSettings.Language = 7;
  Open([](QDialog& d) {
    EXPECT_FALSE(Control<QCheckBox>(d, "chkSpecialChar")->isChecked());
    EXPECT_EQ(Control<QComboBox>(d, "cboLanguageProgram")->currentIndex(), 1);
    ClickOk(d);
  });
  EXPECT_EQ(AppSettings.Peculiar, 2);
  EXPECT_EQ(AppSettings.Language, 7);
}

struct CaptionCase {
  int language;
  const char* title;
  const char* tab1;
  const char* frame;
  const char* address;
  const char* localPort;
  const char* special;
  const char* ok;
};

class SettingsCaptions : public SettingsDialog, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(SettingsCaptions, AreTakenInTheLanguageHeldAtOpening) {
  const CaptionCase& c = GetParam();
  AppSettings.Language = static_cast<std::uint8_t>(c.language);
  Open([&c](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), Utf8(c.title));
    auto* tabs = Control<QTabWidget>(d, "SSTab1");
    EXPECT_EQ(tabs->tabText(0), Utf8(c.tab1));
    EXPECT_EQ(tabs->tabText(3), "Kommandozeile");
    for (const char* frame : {"fraInterface", "fraInternational", "fraPresentation"}) {
      EXPECT_EQ(Control<QGroupBox>(d, frame)->title(), Utf8(c.frame)) << frame;
    }
    EXPECT_EQ(Control<QGroupBox>(d, "Frame1")->title(), "Einstellungen");
    EXPECT_EQ(Control<QLabel>(d, "labAddress")->text(), Utf8(c.address));
    EXPECT_EQ(Control<QLabel>(d, "labLocalUdpPort")->text(), Utf8(c.localPort));
    EXPECT_EQ(Control<QCheckBox>(d, "chkSpecialChar")->text(), Utf8(c.special));
    EXPECT_EQ(Control<QPushButton>(d, "cmdOk")->text(), Utf8(c.ok));
    EXPECT_EQ(Control<QCheckBox>(d, "chkPrefix")->text(), Utf8("An 'Zu sendende Zeichen' voranstellen:"));
    EXPECT_EQ(Control<QComboBox>(d, "cboLanguageProgram")->itemText(1), "Englisch");
    // A language switched now shows only at the next opening.
    Control<QComboBox>(d, "cboLanguageProgram")->setCurrentIndex(1 - c.language);
    ClickOk(d);
    EXPECT_EQ(d.windowTitle(), Utf8(c.title));
  });
  EXPECT_EQ(AppSettings.Language, 1 - c.language);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, SettingsCaptions,
    ::testing::Values(CaptionCase{0, "Voreinstellungen", "Schnittstelle", "Einstellung", "Geräte IP-Adresse (Remote):",
                                  "UDP-Port (Lokal)", "Sonderzeichen interpretiert darstellen", "Übernehmen"},
                      CaptionCase{1, "General Settings", "Interface", "Interface", "Device IP-address (Remote):",
                                  "UDP-Port (Local)", "Interpret special characters", "Accept"}));

}  // namespace
