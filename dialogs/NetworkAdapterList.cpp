#include "dialogs/NetworkAdapterList.h"

#include <QAbstractItemView>
#include <QByteArray>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <algorithm>

#include "core/StringTable.h"
#include "platform/QtText.h"

namespace {

constexpr int kListMargin = 10;          // pixels beside the widest entry
constexpr int kScrollBarAllowance = 15;  // pixels for the scroll bar of a long list
constexpr int kVisibleEntries = 8;       // the drop-down shows this many entries at once
constexpr int kNoCardTextId = 3154;

// Platform texts may come from fixed-size fields: everything from the first
// NUL on is not part of the text.
std::string CutAtNul(const std::string& text) { return text.substr(0, text.find('\0')); }

// Keeps the selection of a combo box from being changed by the operator: it
// swallows the mouse, the wheel and the keys that would open the list or move
// the selection, and lets focus movement, Enter and Esc through.
class SelectionLock : public QObject {
 public:
  explicit SelectionLock(QObject* parent) : QObject(parent) { setObjectName(kName); }
  static constexpr const char* kName = "selectionLock";

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseButtonRelease:
      case QEvent::Wheel: return true;
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        const int key = static_cast<const QKeyEvent*>(event)->key();
        const bool passes = key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Return ||
                            key == Qt::Key_Enter || key == Qt::Key_Escape;
        return !passes;
      }
      default: return QObject::eventFilter(watched, event);
    }
  }
};

}  // namespace

std::string AdapterEntryText(const NetworkAdapterInfo& adapter) {
  const QByteArray bytes(reinterpret_cast<const char*>(adapter.hardwareAddress.data()),
                         static_cast<qsizetype>(adapter.hardwareAddress.size()));
  const std::string hardwareAddress = bytes.toHex('-').toUpper().toStdString();
  return CutAtNul(adapter.description) + " (MAC: " + hardwareAddress + " | IP: " + CutAtNul(adapter.ipv4Address) + ")";
}

void fkt_ToolsGetNetworkAdapters(QComboBox& cboNetworkAdapters, QComboBox& cboNetworkAdaptersMacAddress,
                                 const std::string& LocaleIpAddress) {
  cboNetworkAdapters.clear();
  cboNetworkAdaptersMacAddress.clear();
  int chosen = -1;
  for (const NetworkAdapterInfo& adapter : CurrentPlatform().NetworkAdapters()) {
    const std::string address = CutAtNul(adapter.ipv4Address);
    cboNetworkAdapters.addItem(ToQString(AdapterEntryText(adapter)));
    cboNetworkAdaptersMacAddress.addItem(ToQString(address));
    if (chosen < 0 && address == LocaleIpAddress) chosen = cboNetworkAdapters.count() - 1;
  }
  cboNetworkAdapters.setCurrentIndex(chosen);
  ComboSetListWidth(cboNetworkAdapters);
}

void ComboSetListWidth(QComboBox& oCombo, std::optional<int> nFixWidth) {
  int width = 0;
  if (nFixWidth) {
    width = *nFixWidth;
  } else {
    const QFontMetrics metrics = oCombo.fontMetrics();
    for (int i = 0; i < oCombo.count(); ++i) width = std::max(width, metrics.horizontalAdvance(oCombo.itemText(i)));
    width += kListMargin;
    if (oCombo.count() > kVisibleEntries) width += kScrollBarAllowance;
  }
  oCombo.setMaxVisibleItems(kVisibleEntries);
  oCombo.view()->setMinimumWidth(width);
}

void ApplyEmptyAdapterListRule(QComboBox& cboNetworkAdapters, const QComboBox& cboNetworkAdaptersMacAddress) {
  if (cboNetworkAdaptersMacAddress.count() > 0) return;
  cboNetworkAdapters.addItem(ToQString(fkt_LoadResText(kNoCardTextId)));
  cboNetworkAdapters.setCurrentIndex(cboNetworkAdapters.count() - 1);
  QPalette red = cboNetworkAdapters.palette();
  for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText}) {
    red.setColor(role, QColor(255, 0, 0));
  }
  cboNetworkAdapters.setPalette(red);
  if (!IsComboLocked(cboNetworkAdapters)) {
    cboNetworkAdapters.installEventFilter(new SelectionLock(&cboNetworkAdapters));
  }
}

bool IsComboLocked(const QComboBox& combo) {
  return combo.findChild<QObject*>(SelectionLock::kName, Qt::FindDirectChildrenOnly) != nullptr;
}
