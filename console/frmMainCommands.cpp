// The command slots and their files (CommandFile.h).
#include "console/CommandFile.h"
#include "console/CommandSlotsFrame.h"
#include "console/frmMain.h"
#include "core/FileErrorMessage.h"
#include "core/SafeFile.h"

void frmMain::fkt_LoadCommandConfig(const std::string& path) {
  const bool chosenByOperator = path.empty();
  const std::optional<std::string> file = chosenByOperator ? AskCommandFile(true) : path;
  if (!file) return;
  // A file that is there but cannot be read is reported: chosen from the
  // menu, the slots stay as they are; at start they start empty, and the
  // file is not replaced at exit.
  FileStatus status;
  const CommandTexts texts = ReadCommandFile(*file, &status);
  if (chosenByOperator ? !status.Ok() : !status.OkOrMissing()) {
    ShowFileError(chosenByOperator ? FileError::CannotRead : FileError::CommandsUnreadable, *file, status);
    if (chosenByOperator) return;
  }
  fraCommands->SetTexts(texts);
}

void frmMain::fkt_SaveCommandConfig(const std::string& path) {
  const std::optional<std::string> file = path.empty() ? AskCommandFile(false) : path;
  if (!file) return;
  WriteCommandFile(*file, fraCommands->Texts());
}
