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

void FakePlatform::LookUpHost(const std::string& name, HostLookupDone done) {
  lookedUp.push_back(name);
  if (holdLookups) {
    heldLookups_.emplace_back(name, std::move(done));
  } else {
    Answer(name, done);
  }
}

void FakePlatform::AnswerLookups() {
  // An answer may start the next lookup; that one waits for the next call.
  auto held = std::move(heldLookups_);
  heldLookups_.clear();
  for (const auto& [name, done] : held) Answer(name, done);
}

void FakePlatform::Answer(const std::string& name, const HostLookupDone& done) const {
  const auto host = hosts.find(name);
  done(host == hosts.end() ? std::vector<std::string>{} : host->second);
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
