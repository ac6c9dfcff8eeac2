#include "console/CommandFile.h"

#include "core/AppSettings.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/ProfileSave.h"
#include "core/SafeFile.h"
#include "core/StringTable.h"

namespace {

constexpr const char* kSection = "SETTINGS";

std::string ParamKey(std::size_t slot) { return "Param" + std::to_string(slot + 1); }

}  // namespace

std::optional<std::string> AskCommandFile(bool load) {
  FileDialogRequest request;
  request.title = fkt_LoadResText(load ? 1007 : 1008);
  request.filter = fkt_LoadResText(1606);
  request.initialFolder = AppSettings.SettingsFolder;
  request.proposedName = "UserDefinedCommands.icf";
  request.defaultExtension = "icf";
  std::optional<std::string> chosen =
      load ? CurrentPlatform().AskOpenFileName(request) : CurrentPlatform().AskSaveFileName(request);
  if (chosen && chosen->empty()) chosen.reset();
  return chosen;
}

CommandTexts ReadCommandFile(const std::string& file, FileStatus* status) {
  const ProfileFile profile = ProfileFile::Load(file, status);
  CommandTexts texts;
  for (std::size_t slot = 0; slot < texts.size(); ++slot) texts[slot] = profile.Get(kSection, ParamKey(slot), "");
  return texts;
}

void WriteCommandFile(const std::string& file, const CommandTexts& texts) {
  ProfileKeys keys;
  for (std::size_t slot = 0; slot < texts.size(); ++slot) keys.emplace_back(ParamKey(slot), texts[slot]);
  SaveProfileKeys(file, kSection, keys);
}
