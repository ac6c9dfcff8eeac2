#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <array>
#include <vector>

#include "dialogs/IpControl.h"

namespace {

struct Key {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

std::vector<Key> Digits(const char* digits, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  std::vector<Key> keys;
  for (const char* c = digits; *c != '\0'; ++c) keys.push_back({Qt::Key(Qt::Key_0 + (*c - '0')), modifiers});
  return keys;
}

struct TypingCase {
  const char* name;
  std::array<const char*, 4> texts;  // the fields before typing
  int field;                         // 0-based field with the focus
  int caret;
  int nextCaret;  // caret of the following field (it matters for the selection)
  std::vector<Key> keys;
  std::array<const char*, 4> expectedTexts;
  int expectedField;
  int expectedCaret;
  const char* expectedSelection;
};

class IpControlTyping : public ::testing::TestWithParam<TypingCase> {
 protected:
  void SetUp() override {
    window.resize(200, 60);
    control = new IpControl(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  QLineEdit* Field(int n) { return window.findChild<QLineEdit*>(QStringLiteral("txtSegment%1").arg(n + 1)); }

  QWidget window;
  IpControl* control = nullptr;
};

TEST_P(IpControlTyping, RepairsOnKeyUpAndMovesBetweenFields) {
  const TypingCase& c = GetParam();
  for (int n = 0; n < 4; ++n) Field(n)->setText(QString::fromLatin1(c.texts[static_cast<std::size_t>(n)]));
  if (c.field < 3) Field(c.field + 1)->setCursorPosition(c.nextCaret);
  Field(c.field)->setFocus();
  Field(c.field)->setCursorPosition(c.caret);
  for (const Key& k : c.keys) QTest::keyClick(QApplication::focusWidget(), k.key, k.modifiers);

  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(Field(n)->text(), QString::fromLatin1(c.expectedTexts[static_cast<std::size_t>(n)])) << "field " << n + 1;
  }
  QLineEdit* focused = Field(c.expectedField);
  EXPECT_EQ(QApplication::focusWidget(), focused);
  EXPECT_EQ(focused->cursorPosition(), c.expectedCaret);
  EXPECT_EQ(focused->selectedText(), QString::fromLatin1(c.expectedSelection));
}

const Key kLeft{Qt::Key_Left};
const Key kRight{Qt::Key_Right};
const Key kShiftLeft{Qt::Key_Left, Qt::ShiftModifier};

INSTANTIATE_TEST_SUITE_P(
    Cases, IpControlTyping,
    ::testing::Values(
        TypingCase{"ThirdDigitMovesOnAndSelectsTheNextField", {"", "020", "003", "004"}, 0, 0, 0, Digits("192"),
                   {"192", "020", "003", "004"}, 1, 3, "020"},
        TypingCase{"NextFieldWithItsCaretAtTheEndGetsNoSelection", {"", "020", "003", "004"}, 0, 0, 3,
                   Digits("192"), {"192", "020", "003", "004"}, 1, 3, ""},
        TypingCase{"KeypadDigitsMoveOnLikeTheMainKeys", {"", "020", "003", "004"}, 0, 0, 0,
                   Digits("192", Qt::KeypadModifier), {"192", "020", "003", "004"}, 1, 3, "020"},
        TypingCase{"OutOfRangeDigitIsUndone", {"", "020", "003", "004"}, 0, 0, 0, Digits("256"),
                   {"25", "020", "003", "004"}, 0, 2, ""},
        TypingCase{"LetterIsUndoneWithTheCaretBack", {"12", "020", "003", "004"}, 0, 1, 0, {{Qt::Key_A}},
                   {"12", "020", "003", "004"}, 0, 1, ""},
        TypingCase{"DotIsUndoneAndDoesNotMoveOn", {"12", "020", "003", "004"}, 0, 2, 0, {{Qt::Key_Period}},
                   {"12", "020", "003", "004"}, 0, 2, ""},
        TypingCase{"BlankIsUndone", {"1", "020", "003", "004"}, 0, 0, 0, {{Qt::Key_Space}},
                   {"1", "020", "003", "004"}, 0, 0, ""},
        TypingCase{"LeftAtTheStartMovesToTheEndOfThePreviousField", {"192", "020", "003", "004"}, 1, 0, 0, {kLeft},
                   {"192", "020", "003", "004"}, 0, 3, ""},
        TypingCase{"LeftReachingTheStartStaysThenMoves", {"192", "020", "003", "004"}, 1, 1, 0, {kLeft},
                   {"192", "020", "003", "004"}, 1, 0, ""},
        TypingCase{"SecondLeftAtTheStartMoves", {"192", "020", "003", "004"}, 1, 1, 0, {kLeft, kLeft},
                   {"192", "020", "003", "004"}, 0, 3, ""},
        TypingCase{"RightAtTheEndMovesToTheStartOfTheNextField", {"192", "020", "003", "004"}, 2, 3, 3, {kRight},
                   {"192", "020", "003", "004"}, 3, 0, ""},
        TypingCase{"LeftInTheFirstFieldStays", {"192", "020", "003", "004"}, 0, 0, 0, {kLeft},
                   {"192", "020", "003", "004"}, 0, 0, ""},
        TypingCase{"RightInTheLastFieldStays", {"192", "020", "003", "004"}, 3, 3, 0, {kRight},
                   {"192", "020", "003", "004"}, 3, 3, ""},
        TypingCase{"ThirdDigitInTheLastFieldStays", {"192", "020", "003", ""}, 3, 0, 0, Digits("123"),
                   {"192", "020", "003", "123"}, 3, 3, ""},
        TypingCase{"ShiftLeftSelectsWithoutMoving", {"192", "020", "003", "004"}, 1, 0, 0, {kShiftLeft},
                   {"192", "020", "003", "004"}, 1, 0, ""},
        TypingCase{"ShiftLeftExtendsTheSelection", {"192", "020", "003", "004"}, 1, 3, 0, {kShiftLeft, kShiftLeft},
                   {"192", "020", "003", "004"}, 1, 1, "20"}),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });

TEST(IpControlValue, SetValueZeroFillsAndGetValueDropsTheZeros) {
  struct Case {
    const char* value;
    std::array<const char*, 4> fields;
    const char* readBack;
  };
  const Case cases[] = {
      {"10.20.3.4", {"010", "020", "003", "004"}, "10.20.3.4"},
      {"10.0.0", {"010", "000", "000", ""}, "10.0.0."},
      {"127.0.0.1", {"127", "000", "000", "001"}, "127.0.0.1"},
      {"", {"", "", "", ""}, "..."},
  };
  IpControl control;
  for (const Case& c : cases) {
    control.SetValue(c.value);
    for (int n = 0; n < 4; ++n) {
      EXPECT_EQ(control.findChild<QLineEdit*>(QStringLiteral("txtSegment%1").arg(n + 1))->text(),
                QString::fromLatin1(c.fields[static_cast<std::size_t>(n)]))
          << c.value << " field " << n + 1;
    }
    EXPECT_EQ(control.GetValue(), c.readBack) << c.value;
  }
}

TEST(IpControlValue, StartsAt255AndReturnsAnIncompleteAddressAsItStands) {
  IpControl control;
  EXPECT_EQ(control.GetValue(), "255.255.255.255");
  control.SetValue("10.20.3.4");
  control.findChild<QLineEdit*>("txtSegment2")->clear();
  EXPECT_EQ(control.GetValue(), "10..3.4");
}

TEST(IpControlValue, ConvertsDottedAddressesToTheirNumber) {
  struct Case {
    const char* address;
    std::int64_t value;
  };
  const Case cases[] = {{"0.0.0.0", 0},
                        {"255.255.255.255", 4294967295LL},
                        {"10.0.0.1", 167772161LL},
                        {"10.20.3.4", 169083652LL}};
  for (const Case& c : cases) EXPECT_EQ(IpControl::fkt_FormatConvertDisplayIPToLong(c.address), c.value) << c.address;
}

TEST(IpControlValue, ExtractsFieldsLikeTheModuleOperation) {
  EXPECT_EQ(IpControl::fkt_FormatExtractSpecParameter("a-1.b2.3", 2, true, "."), "2");
  EXPECT_EQ(IpControl::fkt_FormatExtractSpecParameter("a-1.b2.3", 2, false, "."), "b2");
  EXPECT_EQ(IpControl::fkt_FormatExtractSpecParameter("a-1.b2.3", 1, true, "."), "-1");
  EXPECT_EQ(IpControl::fkt_FormatExtractSpecParameter("a-1.b2.3", 5, true, "."), "");
}

}  // namespace
