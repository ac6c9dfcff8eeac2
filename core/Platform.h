#pragma once
// Everything the platform supplies reaches the logic through this one small
// interface: folders, host name, network cards, and the modal boxes and file
// dialogs whose answers a test must be able to preset. The program installs
// the production implementation at start; tests install a fake. There is no
// environment variable and no command-line switch for any of it.
//
// All texts crossing this interface are bytes in the 8-bit code page.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct NetworkAdapterInfo {
  std::string description;
  std::array<std::uint8_t, 6> hardwareAddress{};
  std::string ipv4Address;  // the card's first IPv4 address, "0.0.0.0" without one
};

// The answer to a host-name lookup: the name's IPv4 addresses in dotted form,
// in the order the system gives them; none when the name is not known.
using HostLookupDone = std::function<void(const std::vector<std::string>& ipv4Addresses)>;

enum class MessageIcon { None, Information, Error };

struct FileDialogRequest {
  std::string title;
  std::string filter;  // "description|pattern"
  // Further choices of the same form after it. A name given without a
  // suffix gets that of the choice made, and choosing another changes the
  // suffix of the name proposed: the suffix tells the caller the choice.
  std::vector<std::string> moreFilters;
  std::string initialFolder;
  std::string proposedName;
  std::string defaultExtension;  // without the dot
};

class Platform {
 public:
  virtual ~Platform() = default;

  // The all-users application-data folder, without a trailing separator.
  virtual std::string CommonAppDataPath() = 0;
  // The folder of the program's own executable, with a trailing "/".
  virtual std::string ExecutableFolder() = 0;
  virtual std::string HostName() = 0;
  // Looks a host name up without making the caller wait. `done` runs once, on
  // the calling thread: from its event loop once the answer is there, or
  // within the call when the answer is known at once.
  virtual void LookUpHost(const std::string& name, HostLookupDone done) = 0;
  virtual std::vector<NetworkAdapterInfo> NetworkAdapters() = 0;
  // Folders for large scratch files private to the user (the traffic list's
  // store), most preferred first; a missing folder may be created.
  virtual std::vector<std::string> ScratchFolders() = 0;

  // Lets pending window events run.
  virtual void DoEvents() = 0;

  // A modal box with one OK button. An empty caption means the application's title.
  virtual void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
  // Open and save dialogs; std::nullopt when cancelled. The open dialog
  // accepts only existing files; the save dialog asks before overwriting.
  virtual std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) = 0;
  // The one-line input box; its answer is not used by any caller.
  virtual void InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) = 0;
  // The input box with, below its line, a read-only view of the bytes it
  // stands for: a heading (bytes in the 8-bit code page) and a hex dump
  // (Unicode: it shows code page 437 glyphs). Without one of its own, a
  // platform shows the input box alone.
  virtual void InputBoxWithHex(const std::string& prompt, const std::string& title, const std::string& defaultText,
                               const std::string& hexHeading, const std::u16string& hexDump) {
    (void)hexHeading;
    (void)hexDump;
    InputBox(prompt, title, defaultText);
  }
};

// The platform in force. SetPlatform does not take ownership.
Platform& CurrentPlatform();
void SetPlatform(Platform* platform);
