#pragma once
// The platform the console runs on in a benchmark: the production one, but
// with the all-users data folder (and the program folder, where a settings
// template could come from) moved to a temporary folder the bench owns, and
// every box printed to stderr instead of shown, so nothing ever waits for a
// click; a save dialog answers with a path the bench sets, and the list's
// file may be sent to a folder the bench chooses.
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/QtPlatform.h"

class BenchPlatform : public QtPlatform {
 public:
  explicit BenchPlatform(std::string root) : root_(std::move(root)) {}

  std::string CommonAppDataPath() override { return root_; }
  std::string ExecutableFolder() override { return root_ + "/"; }
  std::vector<std::string> ScratchFolders() override {
    return storeFolders.empty() ? QtPlatform::ScratchFolders() : storeFolders;
  }
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon /*icon*/) override {
    std::cerr << "console box [" << caption << "]: " << text << '\n';
  }
  std::optional<std::string> AskOpenFileName(const FileDialogRequest& /*request*/) override { return std::nullopt; }
  std::optional<std::string> AskSaveFileName(const FileDialogRequest& /*request*/) override { return saveAnswer; }
  void InputBox(const std::string& /*prompt*/, const std::string& /*title*/, const std::string& /*text*/) override {}

  // What the save dialog answers; nothing: cancelled.
  std::optional<std::string> saveAnswer;
  // Where the traffic list's file goes, if not where the console puts it.
  std::vector<std::string> storeFolders;

 private:
  std::string root_;
};
