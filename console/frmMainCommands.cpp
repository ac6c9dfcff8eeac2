// Command slots and command files (*.icf): section "SETTINGS", keys
// "Param1" .. "Param8", one per slot. Slots 1 and 2 always hold the two
// sample frames, whatever a file says.
#include <QLineEdit>

#include "console/CommandSlotTexts.h"
#include "console/frmMain.h"
#include "core/AppSettings.h"
#include "core/FileErrorMessage.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/ProfileSave.h"
#include "core/StringTable.h"
#include "platform/QtText.h"

namespace {

constexpr const char* kSection = "SETTINGS";

std::string ParamKey(int slot) { return "Param" + std::to_string(slot); }

FileDialogRequest CommandFileDialog(int titleId) {
  FileDialogRequest request;
  request.title = fkt_LoadResText(titleId);
  request.filter = fkt_LoadResText(1606);
  request.initialFolder = AppSettings.SettingsFolder;
  request.proposedName = "UserDefinedCommands.icf";
  request.defaultExtension = "icf";
  return request;
}

}  // namespace

void frmMain::fkt_LoadCommandConfig(const std::string& path) {
  std::string file = path;
  if (file.empty()) {
    const std::optional<std::string> chosen = CurrentPlatform().AskOpenFileName(CommandFileDialog(1007));
    if (!chosen || chosen->empty()) return;
    file = *chosen;
  }

  // A missing file, section or key reads as the empty text. A file that is
  // there but cannot be read is reported: chosen from the menu, the slots
  // stay as they are; at start they start empty, and the file is not
  // replaced at exit.
  FileStatus status;
  const ProfileFile profile = ProfileFile::Load(file, &status);
  const bool chosenByOperator = path.empty();
  if (chosenByOperator ? !status.Ok() : !status.OkOrMissing()) {
    ShowFileError(chosenByOperator ? FileError::CannotRead : FileError::CommandsUnreadable, file, status);
    if (chosenByOperator) return;
  }
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    std::string text = profile.Get(kSection, ParamKey(slot), "");
    if (slot == 1) text = kSampleCommand1;
    if (slot == 2) text = kSampleCommand2;
    txtBefehl[slot - 1]->setText(ToQString(text));
  }
  for (QLineEdit* field : txtBefehl) field->setToolTip(field->text());
}

void frmMain::fkt_SaveCommandConfig(const std::string& path) {
  std::string file = path;
  if (file.empty()) {
    const std::optional<std::string> chosen = CurrentPlatform().AskSaveFileName(CommandFileDialog(1008));
    if (!chosen || chosen->empty()) return;
    file = *chosen;
  }
  ProfileKeys keys;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    keys.emplace_back(ParamKey(slot), FromQString(txtBefehl[slot - 1]->text()));
  }
  SaveProfileKeys(file, kSection, keys);
}
