#include <QGroupBox>
#include <QLabel>
#include <utility>

#include "dialogs/Dialogs.h"
#include "tests/dialogs/DialogsFixture.h"

namespace {

using ProgramInfo = DialogsFixture;

TEST_F(ProgramInfo, ShowsTheEnglishTextsAndTheLogoAndIgnoresEsc) {
  AppSettings.Language = 1;
  OnModal("frmProgramInfo", [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Program Info");
    const std::pair<const char*, const char*> labels[] = {
        {"labProgramVersion", "Program:"},
        {"labProgramVersionValue", "Telvane"},
        {"labSoftwareVersion", "Software version:"},
        {"labSoftwareVersionValue", "V2018.1.0"},
        {"labDate", "Date:"},
        {"labDateValue", "19.04.2018"},
        {"labEngineer", "Engineer:"},
    };
    for (const auto& [name, text] : labels) EXPECT_EQ(Control<QLabel>(d, name)->text(), text) << name;
    EXPECT_EQ(Control<QGroupBox>(d, "fraInfo")->title(), "Information");
    EXPECT_FALSE(Control<QLabel>(d, "labEngineerValue")->text().isEmpty());
    EXPECT_EQ(Control<QPushButton>(d, "cmdOk")->text(), "OK");
    EXPECT_FALSE(Control<QLabel>(d, "Image1")->pixmap().isNull());  // the logo resource is built in
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    Click(d, "cmdOk");
    EXPECT_EQ(d.result(), QDialog::Accepted);
  });
  ShowProgramInfoDialog(nullptr);
  EXPECT_EQ(shownCount, 1);
}

}  // namespace
