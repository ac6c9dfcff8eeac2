#pragma once
// The platform of the running program on Linux: /var/lib as the all-users
// data folder, the executable's folder from /proc/self/exe, Qt for network
// cards, host-name lookups, boxes and dialogs; the user's cache folder, then the temporary
// folder, for scratch files.
#include <memory>
#include <string>

#include "core/Platform.h"

class QInputDialog;

// The one-line input box, ready to be shown. It holds its default text whole:
// a line edit's default limit of 32,767 characters would cut off a long
// traffic-list entry.
std::unique_ptr<QInputDialog> NewInputBox(const std::string& prompt, const std::string& title,
                                          const std::string& defaultText);

// The same with the view of its bytes below the line: the heading and the
// hex dump, read-only and selectable, in the traffic list's fixed-pitch font.
std::unique_ptr<QInputDialog> NewInputBoxWithHex(const std::string& prompt, const std::string& title,
                                                 const std::string& defaultText, const std::string& hexHeading,
                                                 const std::u16string& hexDump);

class QtPlatform : public Platform {
 public:
  std::string CommonAppDataPath() override;
  std::string ExecutableFolder() override;
  std::string HostName() override;
  // Asks the system's resolver on a thread of its own; the answer comes
  // through the application's event loop. Called on the application's thread.
  void LookUpHost(const std::string& name, HostLookupDone done) override;
  std::vector<NetworkAdapterInfo> NetworkAdapters() override;
  std::vector<std::string> ScratchFolders() override;
  void DoEvents() override;
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
  std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) override;
  std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) override;
  void InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
  void InputBoxWithHex(const std::string& prompt, const std::string& title, const std::string& defaultText,
                       const std::string& hexHeading, const std::u16string& hexDump) override;
};
