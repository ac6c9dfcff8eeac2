#include "dialogs/frmSpecialChar.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "core/StringTable.h"
#include "dialogs/EventGuard.h"
#include "dialogs/ModalSeam.h"
#include "dialogs/SpecialCharTarget.h"
#include "platform/QtText.h"
#include "platform/Twips.h"
#include "platform/WidgetBuilding.h"

namespace {

struct Box {
  const char* name;
  const char* caption;  // also the name inside the token, "<STX>"
  int row;
  int column;
};

// In the order in which OK looks for a checked box; the second row shows
// LF, CR, NAK and ACK from left to right.
constexpr Box kBoxTable[frmSpecialChar::kBoxes] = {
    {"chkStx", "STX", 0, 0}, {"chkEtx", "ETX", 0, 1}, {"chkEot", "EOT", 0, 2}, {"chkEnq", "ENQ", 0, 3},
    {"chkAck", "ACK", 1, 3}, {"chkLf", "LF", 1, 0},   {"chkCr", "CR", 1, 1},   {"chkNak", "NAK", 1, 2},
};

// Built by appending: "<" + text + ">" on temporaries trips GCC 12's -Wrestrict
// false positive once inlined at -O3.
std::string Bracketed(std::string_view inner) {
  std::string token = "<";
  token += inner;
  token += '>';
  return token;
}

}  // namespace

frmSpecialChar::frmSpecialChar(QWidget* parent) : QDialog(parent) {
  setObjectName("frmSpecialChar");
  MakeFixedDialog(*this, 4500, 3345);

  Frame1 = Named(new QGroupBox(this), "Frame1");
  Frame1->setGeometry(TwipsRect(75, 75, 4335, 1575));
  // Created row by row, so the tab order runs as the boxes are shown.
  std::array<std::size_t, kBoxes> shownOrder{};
  for (std::size_t i = 0; i < kBoxes; ++i) shownOrder[i] = i;
  std::sort(shownOrder.begin(), shownOrder.end(), [](std::size_t a, std::size_t b) {
    return std::pair(kBoxTable[a].row, kBoxTable[a].column) < std::pair(kBoxTable[b].row, kBoxTable[b].column);
  });
  for (std::size_t i : shownOrder) {
    const Box& box = kBoxTable[i];
    auto* button = Named(new QPushButton(QString::fromUtf8(box.caption), Frame1), box.name);
    button->setGeometry(TwipsRect(135 + box.column * 1050, 195 + box.row * 690, 915, 495));
    button->setCheckable(true);
    // Enter on a focused box presses OK, not the box.
    button->setAutoDefault(false);
    button->installEventFilter(this);
    boxes_[i] = button;
  }

  fraNumeric = Named(new QGroupBox(this), "fraNumeric");
  fraNumeric->setGeometry(TwipsRect(75, 1740, 4335, 1005));
  txtNumeric = Named(new QLineEdit(fraNumeric), "txtNumeric");
  txtNumeric->setGeometry(TwipsRect(240, 420, 1035, 315));
  txtNumeric->installEventFilter(this);

  cmdOk = Named(new QPushButton(this), "cmdOk");
  cmdOk->setGeometry(TwipsRect(1875, 2880, 1215, 375));
  cmdOk->setDefault(true);
  cmdCancel = Named(new QPushButton(this), "cmdCancel");
  cmdCancel->setGeometry(TwipsRect(3195, 2880, 1215, 375));

  connect(cmdOk, &QPushButton::clicked, this, [this] { GuardEvent("cmdOk_Click", [this] { cmdOk_Click(); }); });
  connect(cmdCancel, &QPushButton::clicked, this,
          [this] { GuardEvent("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

void frmSpecialChar::Form_Load() {
  ControlsSetCaptions();
  for (QPushButton* box : boxes_) box->setChecked(false);
  txtNumeric->clear();
  cmdOk->setEnabled(false);
}

void frmSpecialChar::ControlsSetCaptions() {
  setWindowTitle(ResText(1300));
  cmdOk->setText(ResText(1301));
  cmdCancel->setText(ResText(1302));
  fraNumeric->setTitle(ResText(1303));
}

void frmSpecialChar::ControlsResetChoice() {
  cmdOk->setEnabled(true);
  for (QPushButton* box : boxes_) box->setChecked(false);
}

bool frmSpecialChar::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  // A mouse button going down on a box clears the choice before the box's
  // own click toggles it, so a click leaves exactly that box checked. A key
  // in the numeric field clears it before the character arrives. Space on a
  // focused box is no mouse-down and toggles the box alone.
  const bool mouseDownOnBox = (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) &&
                              std::find(boxes_.begin(), boxes_.end(), watched) != boxes_.end();
  const bool keyInNumeric = type == QEvent::KeyPress && watched == txtNumeric;
  if (mouseDownOnBox || keyInNumeric) GuardEvent("ControlsResetChoice", [this] { ControlsResetChoice(); });
  return QDialog::eventFilter(watched, event);
}

void frmSpecialChar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

std::string frmSpecialChar::TokenOfChoice() const {
  // A typed code wins over a checked box; it is taken as typed, unchecked.
  const std::string numeric = FromQString(txtNumeric->text());
  if (!numeric.empty()) return Bracketed(numeric);
  for (std::size_t i = 0; i < kBoxes; ++i) {
    if (boxes_[i]->isChecked()) return Bracketed(kBoxTable[i].caption);
  }
  return {};
}

void frmSpecialChar::cmdOk_Click() {
  chosenToken_ = TokenOfChoice();
  accept();
}

void frmSpecialChar::cmdCancel_Click() { reject(); }

void fkt_FormsShowSpecialChar(int target) {
  GuardEvent("fkt_FormsShowSpecialChar", [target] {
    bytSpecialCharTarget = static_cast<std::uint8_t>(target);
    const QLineEdit* owner = SpecialCharTargetField(target);
    std::optional<std::string> token;
    {
      // The picker exists only while it is shown.
      frmSpecialChar picker(owner != nullptr ? owner->window() : QApplication::activeWindow());
      picker.Form_Load();
      RunModal(picker);
      token = picker.ChosenToken();
    }
    if (!token) return;  // cancelled or closed

    // After the picker has closed: the token is typed into the target at its
    // caret, replacing the selection; an empty choice moves the focus only.
    QLineEdit* field = SpecialCharTargetField(bytSpecialCharTarget);
    if (field == nullptr) return;
    field->setFocus();
    if (token->empty()) return;
    RestoreSpecialCharTargetSelection(bytSpecialCharTarget);
    field->insert(ToQString(*token));
  });
}
