#pragma once
// The program information dialog: name, version, release date, engineer and
// logo. Its captions are fetched in the language held when it loads; it
// changes nothing in the program.
#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

class frmProgramInfo : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kProgramName = "Telvane";
  static constexpr const char* kReleaseDate = "19.04.2018";
  static constexpr const char* kEngineer = "Telvane Team";
  static constexpr const char* kLogoResource = ":/telvane/telvane_logo.jpg";

  explicit frmProgramInfo(QWidget* parent = nullptr);

  void Form_Load();
  void ControlsSetCaptions();

 protected:
  // The dialog has no cancel button, so Esc does nothing.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void cmdOk_Click();
  void ShowLogo();

  QGroupBox* fraInfo = nullptr;
  QLabel* labProgramVersion = nullptr;
  QLabel* labProgramVersionValue = nullptr;
  QLabel* labSoftwareVersion = nullptr;
  QLabel* labSoftwareVersionValue = nullptr;
  QLabel* labDate = nullptr;
  QLabel* labDateValue = nullptr;
  QLabel* labEngineer = nullptr;
  QLabel* labEngineerValue = nullptr;
  QLabel* Image1 = nullptr;
  QPushButton* cmdOk = nullptr;
};
