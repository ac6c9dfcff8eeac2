#include "platform/GuardedApplication.h"

#include <exception>
#include <string>

#include "core/Platform.h"
#include "core/StringTable.h"

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    CurrentPlatform().ShowMessage(std::string("Unerwartete Ausnahme: ") + error.what(), fkt_LoadResText(7420),
                                  MessageIcon::Error);
  } catch (...) {
    CurrentPlatform().ShowMessage("Unerwartete Ausnahme.", fkt_LoadResText(7420), MessageIcon::Error);
  }
  return false;
}
