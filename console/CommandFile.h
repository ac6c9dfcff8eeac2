#pragma once
// Command files (*.icf): the texts of the eight command slots, in section
// "SETTINGS", keys "Param1" .. "Param8", one per slot. (Slots 1 and 2 keep
// their sample frames whatever a file says: CommandSlotsFrame::SetTexts.)
#include <array>
#include <optional>
#include <string>

struct FileStatus;

inline constexpr int kCommandSlotCount = 8;
using CommandTexts = std::array<std::string, kCommandSlotCount>;

// Asks the operator for a command file to load from (or to save to); nothing
// when the dialog was cancelled.
std::optional<std::string> AskCommandFile(bool load);
// The slots' texts from `file`. A missing file, section or key reads as the
// empty text; `status` says whether the file was there and could be read.
CommandTexts ReadCommandFile(const std::string& file, FileStatus* status);
// Writes the slots' texts into the file's section, keeping its other sections.
void WriteCommandFile(const std::string& file, const CommandTexts& texts);
