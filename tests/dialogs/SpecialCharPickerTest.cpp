#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <string>
#include <vector>

#include "dialogs/Dialogs.h"
#include "tests/dialogs/DialogsFixture.h"

namespace {

using Step = std::function<void(QDialog&)>;

Step ClickOn(const char* button) {
  return [button](QDialog& d) { Click(d, button); };
}
// Space on the focused box: a toggle without a mouse-down.
Step ToggleBox(const char* box) {
  return [box](QDialog& d) {
    auto* button = Control<QPushButton>(d, box);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
  };
}
Step Type(const char* text) {
  return [text](QDialog& d) { QTest::keyClicks(Control<QLineEdit>(d, "txtNumeric"), text); };
}
const Step kBackspace = [](QDialog& d) { QTest::keyClick(Control<QLineEdit>(d, "txtNumeric"), Qt::Key_Backspace); };
const Step kEsc = [](QDialog&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); };
const Step kCloseBox = [](QDialog& d) { d.close(); };

struct ChoiceCase {
  const char* name;
  std::vector<Step> steps;   // then OK, unless the picker was closed
  const char* expectedLine;  // "abcdef" with "cd" replaced by the token; nullptr: nothing inserted
};

// A send line "abcdef" with "cd" selected, in a window of its own and
// registered as the send target. The focus has left it, as it does when the
// operator presses the insert button.
class PickerChoice : public DialogsFixture, public ::testing::WithParamInterface<ChoiceCase> {
 protected:
  void SetUp() override {
    DialogsFixture::SetUp();
    sendLine = new QLineEdit(&window);
    other = new QLineEdit(&window);
    other->move(0, 40);
    SetSpecialCharTargetField(kSpecialCharTargetSend, sendLine);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    sendLine->setText("abcdef");
    sendLine->setSelection(2, 2);
    sendLine->setFocus();
    other->setFocus();
  }
  void TearDown() override {
    SetSpecialCharTargetField(kSpecialCharTargetSend, nullptr);
    DialogsFixture::TearDown();
  }

  QWidget window;
  QLineEdit* sendLine = nullptr;
  QLineEdit* other = nullptr;
};

TEST_P(PickerChoice, TypesTheChosenTokenOverTheSelection) {
  const ChoiceCase& c = GetParam();
  QSignalSpy edited(sendLine, &QLineEdit::textEdited);
  OnModal("frmSpecialChar", [&c](QDialog& d) {
    EXPECT_EQ(bytSpecialCharTarget, kSpecialCharTargetSend);
    EXPECT_FALSE(Control<QPushButton>(d, "cmdOk")->isEnabled());
    for (const Step& step : c.steps) step(d);
    if (d.isVisible()) Click(d, "cmdOk");
  });
  fkt_FormsShowSpecialChar(kSpecialCharTargetSend);
  const bool inserted = c.expectedLine != nullptr;
  EXPECT_EQ(sendLine->text(), QString::fromLatin1(inserted ? c.expectedLine : "abcdef"));
  // OK gives the send line the focus; closing leaves it where it was.
  EXPECT_EQ(window.focusWidget(), inserted ? sendLine : other);
  // Typed, not set: the main window's send button follows textEdited.
  EXPECT_EQ(edited.count(), sendLine->text() == "abcdef" ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PickerChoice,
    ::testing::Values(
        ChoiceCase{"LastClickedBoxWins", {ClickOn("chkEtx"), ClickOn("chkNak")}, "ab<NAK>ef"},
        ChoiceCase{"ClickingTheCheckedBoxKeepsIt", {ClickOn("chkEtx"), ClickOn("chkEtx")}, "ab<ETX>ef"},
        ChoiceCase{"TypedCodeWinsOverABox", {Type("5"), ClickOn("chkStx")}, "ab<5>ef"},
        ChoiceCase{"TypedCodeIsTakenUnchecked", {Type("x 300")}, "ab<x 300>ef"},
        ChoiceCase{"AnyKeyEnablesOkWithNothingToInsert", {kBackspace}, "abcdef"},
        ChoiceCase{"AnyKeyClearsTheBoxes", {ClickOn("chkCr"), kBackspace}, "abcdef"},
        ChoiceCase{"KeyboardTogglesAddUpAndTheOrderDecides",
                   {kBackspace, ToggleBox("chkEtx"), ToggleBox("chkStx")},
                   "ab<STX>ef"},
        ChoiceCase{"SecondRowInChoiceOrder", {ClickOn("chkNak"), ToggleBox("chkAck"), ToggleBox("chkLf")}, "ab<ACK>ef"},
        ChoiceCase{"EscDoesNothing", {ClickOn("chkStx"), kEsc}, "ab<STX>ef"},
        ChoiceCase{"CancelInsertsNothing", {ClickOn("chkStx"), ClickOn("cmdCancel")}, nullptr},
        ChoiceCase{"CloseBoxInsertsNothing", {ClickOn("chkStx"), kCloseBox}, nullptr}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

// The settings dialog's insert buttons type into its prefix and suffix.
class PickerFromSettings : public DialogsFixture, public ::testing::WithParamInterface<int> {};

TEST_P(PickerFromSettings, InsertsIntoTheSettingsField) {
  const int target = GetParam();
  const bool prefix = target == kSpecialCharTargetPrefix;
  AppSettings.PrefixOption = 1;
  AppSettings.ReadjustOption = 1;
  OnModal("frmSpecialChar", [target](QDialog& d) {
    EXPECT_EQ(bytSpecialCharTarget, target);
    Click(d, "chkEot");
    Click(d, "cmdOk");
  });
  OnModal("frmSettings", [prefix](QDialog& d) {
    // Page 4 is switched off; to reach its fields the test switches it on.
    auto* tabs = Control<QTabWidget>(d, "SSTab1");
    tabs->setTabEnabled(3, true);
    tabs->setCurrentIndex(3);
    auto* edit = Control<QLineEdit>(d, prefix ? "txtPrefix" : "txtReadjust");
    edit->setText("abcdef");
    edit->setFocus();
    edit->setSelection(2, 2);
    Click(d, prefix ? "cmdInsertSpecialCharPrefix" : "cmdInsertSpecialCharReadjust");
    EXPECT_EQ(edit->text(), "ab<EOT>ef");
    EXPECT_EQ(d.focusWidget(), edit);
    Click(d, "cmdOk");
  });
  ShowSettingsDialog(nullptr);
  EXPECT_EQ(shownCount, 2);
  EXPECT_EQ(prefix ? AppSettings.PrefixChars : AppSettings.ReadjustChars, "ab<EOT>ef");
  // The settings dialog's fields are gone with it.
  EXPECT_EQ(SpecialCharTargetField(target), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Targets, PickerFromSettings,
                         ::testing::Values(kSpecialCharTargetPrefix, kSpecialCharTargetReadjust));

}  // namespace
