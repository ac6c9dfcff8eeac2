#pragma once
// The main window's key routing, as an event filter on each of its focusable
// controls. Every control hands its key code to the window's command keys
// (F1..F8 press the command slots) before its own work: on key-down for the
// buttons, the list, the check box, the send line and the log-file field; on
// key-up for the command slot fields, so holding a function key there sends
// once. Function keys end there, so no control's own handler sees them too.
// Enter in a control that is not a button presses the window's default
// button (the send button) while it is enabled. Up and Down in the send line
// walk through the lines sent from it.
#include <QObject>
#include <functional>
#include <vector>

class QLineEdit;
class QPushButton;
class QWidget;

class CommandKeys : public QObject {
 public:
  struct Handlers {
    std::function<void(int keyCode)> keyDown;                      // any control but a slot field
    std::function<void(QLineEdit* field, int keyCode)> slotKeyUp;  // a slot field, on the real release
    std::function<void()> sendLineKeyUp;
    std::function<void(bool older)> sendLineRecall;  // Up (older) or Down, no modifier
  };

  CommandKeys(QLineEdit* sendLine, std::vector<QLineEdit*> slotFields, QPushButton* defaultButton, Handlers handlers,
              QObject* parent);
  // Routes the keys of these controls.
  void Watch(const std::vector<QWidget*>& controls);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* sendLine_;
  std::vector<QLineEdit*> slotFields_;
  QPushButton* defaultButton_;
  Handlers handlers_;
};
