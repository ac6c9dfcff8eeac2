#pragma once
// A platform for tests: folders point into a temporary directory, and every
// box or dialog is recorded and answered from a preset queue instead of
// opening a window.
#include <deque>
#include <filesystem>
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
  std::vector<NetworkAdapterInfo> NetworkAdapters() override { return adapters; }
  std::vector<std::string> ScratchFolders() override { return scratchFolders; }
  void DoEvents() override {}
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
    messages.push_back({text, caption, icon});
  }
  std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) override;
  std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) override;
  void InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override {
    inputs.push_back({prompt, title, defaultText});
  }

  // The settings folder the program derives from commonAppData.
  std::string SettingsFolder() const { return commonAppData + "/Kelvor/Telvane/"; }

 private:
  std::optional<std::string> NextFileAnswer();
};

// Whole-file helpers for tests.
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
