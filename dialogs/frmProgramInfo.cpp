#include "dialogs/frmProgramInfo.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "core/StringTable.h"
#include "dialogs/EventGuard.h"
#include "dialogs/ProgramVersion.h"
#include "platform/QtText.h"
#include "platform/Twips.h"
#include "platform/WidgetBuilding.h"

// The logo lives in the program's resources, which sit in a static library:
// naming their registration here makes sure they are linked wherever this
// dialog is. Registering them again is harmless.
static void RegisterProgramResources() { Q_INIT_RESOURCE(resources); }

namespace {

// The label columns and rows of the information frame (twips).
constexpr int kLeftColumn = 300;
constexpr int kRightColumn = 2160;
constexpr int kRowTops[] = {360, 660, 960, 1230};

}  // namespace

frmProgramInfo::frmProgramInfo(QWidget* parent) : QDialog(parent) {
  setObjectName("frmProgramInfo");
  MakeFixedDialog(*this, 4965, 1935);

  // The OK button comes first, so it is first in the tab order.
  cmdOk = Named(new QPushButton(this), "cmdOk");
  cmdOk->setGeometry(TwipsRect(3960, 1440, 915, 375));
  cmdOk->setDefault(true);
  connect(cmdOk, &QPushButton::clicked, this, [this] { GuardEvent("cmdOk_Click", [this] { cmdOk_Click(); }); });

  fraInfo = Named(new QGroupBox(QStringLiteral("Information"), this), "fraInfo");
  fraInfo->setGeometry(TwipsRect(120, 120, 3735, 1695));
  struct Row {
    QLabel** caption;
    const char* captionName;
    QLabel** value;
    const char* valueName;
  };
  const Row rows[] = {
      {&labProgramVersion, "labProgramVersion", &labProgramVersionValue, "labProgramVersionValue"},
      {&labSoftwareVersion, "labSoftwareVersion", &labSoftwareVersionValue, "labSoftwareVersionValue"},
      {&labDate, "labDate", &labDateValue, "labDateValue"},
      {&labEngineer, "labEngineer", &labEngineerValue, "labEngineerValue"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    *rows[i].caption = Named(new QLabel(fraInfo), rows[i].captionName);
    (*rows[i].caption)->move(Px(kLeftColumn), Px(kRowTops[i]));
    *rows[i].value = Named(new QLabel(fraInfo), rows[i].valueName);
    (*rows[i].value)->move(Px(kRightColumn), Px(kRowTops[i]));
  }
  labProgramVersionValue->setText(QString::fromUtf8(kProgramName));
  labEngineerValue->setText(QString::fromUtf8(kEngineer));

  Image1 = Named(new QLabel(this), "Image1");
  Image1->setGeometry(TwipsRect(3960, 210, 915, 1005));
  Image1->setAlignment(Qt::AlignCenter);
}

void frmProgramInfo::Form_Load() {
  ControlsSetCaptions();
  labSoftwareVersionValue->setText(ToQString(ProgramVersionText()));
  labDateValue->setText(QString::fromUtf8(kReleaseDate));
  // Every label sizes itself to its text.
  for (QLabel* label : fraInfo->findChildren<QLabel*>()) label->adjustSize();
  ShowLogo();
  cmdOk->setFocus();

  // Centred on the screen.
  if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
}

void frmProgramInfo::ControlsSetCaptions() {
  setWindowTitle(ResText(1200));
  labProgramVersion->setText(ResText(1201));
  labSoftwareVersion->setText(ResText(1202));
  labDate->setText(ResText(1203));
  labEngineer->setText(ResText(1204));
  cmdOk->setText(ResText(1205));
}

void frmProgramInfo::ShowLogo() {
  RegisterProgramResources();
  const QPixmap logo(QString::fromUtf8(kLogoResource));
  if (logo.isNull()) return;
  Image1->setPixmap(logo.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void frmProgramInfo::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void frmProgramInfo::cmdOk_Click() { accept(); }
