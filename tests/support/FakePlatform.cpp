#include "tests/support/FakePlatform.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

FakePlatform::FakePlatform() {
  std::string pattern = (std::filesystem::temp_directory_path() / "telvane-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root = pattern;
  std::filesystem::create_directories(root / "common");
  std::filesystem::create_directories(root / "bin");
  commonAppData = (root / "common").string();
  executableFolder = (root / "bin").string() + "/";
  scratchFolders = {(root / "cache").string()};
  SetPlatform(this);
}

FakePlatform::~FakePlatform() {
  SetPlatform(nullptr);
  std::error_code ignored;
  std::filesystem::permissions(root, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(root, ignored);
}

std::optional<std::string> FakePlatform::NextFileAnswer() {
  if (fileAnswers.empty()) return std::nullopt;
  auto answer = fileAnswers.front();
  fileAnswers.pop_front();
  return answer;
}

std::optional<std::string> FakePlatform::AskOpenFileName(const FileDialogRequest& request) {
  openRequests.push_back(request);
  return NextFileAnswer();
}

std::optional<std::string> FakePlatform::AskSaveFileName(const FileDialogRequest& request) {
  saveRequests.push_back(request);
  return NextFileAnswer();
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}
