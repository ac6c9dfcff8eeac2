#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "dialogs/Dialogs.h"
#include "dialogs/ProgramVersion.h"
#include "tests/dialogs/DialogsFixture.h"

namespace {

using ProgramInfo = DialogsFixture;

TEST_F(ProgramInfo, ShowsTheEnglishTextsAndTheFixedValues) {
  AppSettings.Language = 1;
  OnModal("frmProgramInfo", [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Program Info");
    const std::pair<const char*, const char*> labels[] = {
        {"labProgramVersion", "Program:"},        {"labProgramVersionValue", "Telvane"},
        {"labSoftwareVersion", "Software version:"}, {"labSoftwareVersionValue", "V2018.1.0"},
        {"labDate", "Date:"},                     {"labDateValue", "19.04.2018"},
        {"labEngineer", "Engineer:"},
    };
    for (const auto& [name, text] : labels) EXPECT_EQ(Control<QLabel>(d, name)->text(), text) << name;
    EXPECT_EQ(Control<QGroupBox>(d, "fraInfo")->title(), "Information");
    EXPECT_FALSE(Control<QLabel>(d, "labEngineerValue")->text().isEmpty());
    // Every label sizes itself to its text.
    for (const QLabel* label : d.findChildren<QLabel*>()) {
      if (label->objectName() == "Image1") continue;
      EXPECT_EQ(label->size(), label->sizeHint()) << label->objectName().toStdString();
    }
    EXPECT_EQ(Control<QPushButton>(d, "cmdOk")->text(), "OK");
    QTest::mouseClick(Control<QPushButton>(d, "cmdOk"), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
  });
  ShowProgramInfoDialog(nullptr);
  EXPECT_EQ(shownCount, 1);
}

TEST_F(ProgramInfo, ShowsTheLogoInsideThePictureBoxAndIgnoresEsc) {
  OnModal("frmProgramInfo", [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Programm Info");
    EXPECT_EQ(d.size(), QSize(331, 129));
    auto* image = Control<QLabel>(d, "Image1");
    EXPECT_EQ(image->geometry(), QRect(264, 14, 61, 67));
    ASSERT_FALSE(image->pixmap().isNull());
    EXPECT_LE(image->pixmap().width(), 61);
    EXPECT_LE(image->pixmap().height(), 67);
    EXPECT_EQ(QApplication::focusWidget(), Control(d, "cmdOk"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    d.close();
  });
  ShowProgramInfoDialog(nullptr);
}

TEST(ProgramVersion, IsWrittenWithAVAndPlainNumbers) {
  EXPECT_EQ(FormatProgramVersion(3, 12, 7), "V3.12.7");
  EXPECT_EQ(FormatProgramVersion(2018, 1, 0), "V2018.1.0");
}

}  // namespace
