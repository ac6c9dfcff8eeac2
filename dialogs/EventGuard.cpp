#include "dialogs/EventGuard.h"

#include "core/Platform.h"

void ReportUnexpectedFailure(const char* handlerName, const std::string& description) noexcept {
  try {
    CurrentPlatform().ShowMessage(
        "Unerwartete Ausnahme in Funktion: " + std::string(handlerName) + "\r\nFehler: " + description + ".", {},
        MessageIcon::Error);
  } catch (...) {
    // Without a platform (or memory) to report with, the failure is dropped:
    // it still must not leave the event handler.
  }
}
