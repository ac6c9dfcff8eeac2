#pragma once
// Event handlers of the dialogs run inside Qt's event loop, which an exception
// must never cross. GuardEvent runs a handler and reports a failure in the
// program's message form for unexpected failures instead of letting it escape.
#include <exception>
#include <string>

void ReportUnexpectedFailure(const char* handlerName, const std::string& description) noexcept;

template <typename Handler>
void GuardEvent(const char* handlerName, Handler&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& failure) {
    ReportUnexpectedFailure(handlerName, failure.what());
  } catch (...) {
    ReportUnexpectedFailure(handlerName, "unknown failure");
  }
}
