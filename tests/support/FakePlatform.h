#pragma once
// A platform for tests: folders point into a temporary directory, every box
// or dialog is recorded and answered from a preset queue instead of opening a
// window, and host names are looked up in a table the test sets (no lookup
// ever leaves the process).
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/Platform.h"

class FakePlatform : public Platform {
 public:
  struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon;
  };
  struct InputRequest {
    std::string prompt;
    std::string title;
    std::string defaultText;
    std::string hexHeading;  // only from InputBoxWithHex
    std::u16string hexDump;
  };

  // Makes a fresh temporary root with "common" (the all-users data folder)
  // and "bin" (the executable's folder), and installs itself.
  FakePlatform();
  ~FakePlatform() override;
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  std::filesystem::path root;
  std::string commonAppData;
  std::string executableFolder;
  std::string hostName = "testhost";
  // Host names and their IPv4 addresses; a name not listed is not known.
  std::map<std::string, std::vector<std::string>> hosts{{"localhost", {"127.0.0.1"}}};
  // Lookups are answered within the call, or, while this is set, only by
  // AnswerLookups, so a test can hold them under way.
  bool holdLookups = false;
  std::vector<std::string> lookedUp;  // every name asked for, in order
  std::vector<NetworkAdapterInfo> adapters;
  std::vector<std::string> scratchFolders;  // root/cache

  std::vector<Message> messages;
  std::vector<FileDialogRequest> openRequests;
  std::vector<FileDialogRequest> saveRequests;
  std::vector<InputRequest> inputs;
  // Answers for the next file dialogs; an empty queue answers "cancelled".
  std::deque<std::optional<std::string>> fileAnswers;

  std::string CommonAppDataPath() override { return commonAppData; }
  std::string ExecutableFolder() override { return executableFolder; }
  std::string HostName() override { return hostName; }
  void LookUpHost(const std::string& name, HostLookupDone done) override;
  // Answers the lookups held so far, oldest first, from `hosts` as it is now.
  void AnswerLookups();
  std::vector<NetworkAdapterInfo> NetworkAdapters() override { return adapters; }
  std::vector<std::string> ScratchFolders() override { return scratchFolders; }
  void DoEvents() override {}
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
    messages.push_back({text, caption, icon});
  }
  std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) override;
  std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) override;
  void InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override {
    inputs.push_back({prompt, title, defaultText, {}, {}});
  }
  void InputBoxWithHex(const std::string& prompt, const std::string& title, const std::string& defaultText,
                       const std::string& hexHeading, const std::u16string& hexDump) override {
    inputs.push_back({prompt, title, defaultText, hexHeading, hexDump});
  }

  // The settings folder the program derives from commonAppData.
  std::string SettingsFolder() const { return commonAppData + "/Kelvor/Telvane/"; }

 private:
  std::optional<std::string> NextFileAnswer();
  void Answer(const std::string& name, const HostLookupDone& done) const;

  std::vector<std::pair<std::string, HostLookupDone>> heldLookups_;
};

// Whole-file helpers for tests.
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
