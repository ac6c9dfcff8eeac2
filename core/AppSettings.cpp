#include "core/AppSettings.h"

#include <charconv>
#include <exception>
#include <utility>

#include "core/FileErrorMessage.h"
#include "core/ModFile.h"
#include "core/ModFormat.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/ProfileSave.h"
#include "core/SafeFile.h"
#include "core/StringTable.h"

AppSettingsRecord AppSettings;

namespace {

CommandConfigHook g_loadCommands;
CommandConfigHook g_saveCommands;
SettingsChangedHook g_settingsChanged;

// A flag takes a whole decimal number from 0 to 255; anything else (letters,
// "300", an empty value) takes the flag's default so that start-up goes on.
std::uint8_t ParseFlag(const std::string& text, std::uint8_t fallback) {
  unsigned value = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  auto [next, error] = std::from_chars(begin, end, value);
  if (text.empty() || error != std::errc() || next != end || value > 255) return fallback;
  return static_cast<std::uint8_t>(value);
}

void CopyFile(const std::string& from, const std::string& to) {
  // A failed copy leaves the defaults in force; nothing is reported.
  const FileContent source = SafeRead(from);
  if (source.status.Ok()) SafeWrite(to, source.bytes);
}

// Runs one hook for the default command file; a failure inside it is
// reported and does not end the load or save that called it.
void RunCommandHook(const CommandConfigHook& hook, const std::string& path, FileError reportAs) noexcept {
  if (!hook) return;
  try {
    hook(path);
  } catch (const std::exception& failure) {
    try {
      ShowFileError(reportAs, path, failure.what());
    } catch (...) {
    }
  }
}

// The settings folder and the folder above it must be safe from users outside
// the operators' group: any of them could otherwise plant links or files for
// the console to read and write. An exposed folder is reported once, at
// start, with the policy and the commands that restore it; the console goes
// on, as every file in the folder is opened as if planted anyway.
void ReportExposedSettingsFolder(const std::string& settingsFolder) {
  const std::string folder = settingsFolder.substr(0, settingsFolder.find_last_not_of('/') + 1);
  const std::string parent = folder.substr(0, folder.rfind('/'));
  std::string reasons;
  for (const std::string& path : {parent, folder}) {
    int reason = 0;
    switch (SharedFolderExposure(path)) {
      case FolderExposure::None: continue;
      case FolderExposure::ForeignLink: reason = 8023; break;
      case FolderExposure::ForeignOwner: reason = 8021; break;
      case FolderExposure::WritableByOthers: reason = 8022; break;
    }
    reasons += "\r\n" + path + ": " + fkt_LoadResText(reason);
  }
  if (reasons.empty()) return;
  // A link is replaced by a folder, never followed by chown or chmod.
  auto restore = [](const std::string& path, const char* owner, const char* mode) {
    std::string command;
    if (SharedFolderExposure(path) == FolderExposure::ForeignLink) command += "rm " + path + "; mkdir " + path + "; ";
    return command + "chown " + owner + " " + path + "; chmod " + mode + " " + path;
  };
  const std::string text = fkt_LoadResText(8020) + reasons + "\r\n\r\n" +
                           fkt_FormatInsertParam(fkt_LoadResText(8024), parent, folder) + "\r\n" +
                           "getent group telvane >/dev/null || groupadd --system telvane; " +
                           restore(parent, "root:root", "0755") + "; " + restore(folder, "root:telvane", "2775");
  CurrentPlatform().ShowMessage(text, fkt_LoadResText(7420), MessageIcon::Error);
}

}  // namespace

void SetCommandConfigHooks(CommandConfigHook load, CommandConfigHook save) {
  g_loadCommands = std::move(load);
  g_saveCommands = std::move(save);
}

void SetSettingsChangedHook(SettingsChangedHook hook) { g_settingsChanged = std::move(hook); }

void NotifySettingsChanged() {
  if (g_settingsChanged) g_settingsChanged();
}

bool fkt_LoadSettings() {
  Platform& platform = CurrentPlatform();

  // The platform hands the folder over in a fixed buffer ending in NUL.
  std::string buffer = platform.CommonAppDataPath();
  buffer.push_back('\0');
  if (buffer.size() < 512) buffer.resize(512, ' ');
  const std::string commonData = fkt_FormatExtractSpecParameter(buffer, 1, false, fktFormatChr(0));
  AppSettings.SettingsFolder = commonData + "/Kelvor/Telvane/";

  const std::string settingsFile = AppSettings.SettingsFolder + kSettingsFileName;
  const std::string templateFile = platform.ExecutableFolder() + kSettingsFileName;
  if (!fkt_FileExists(settingsFile) && fkt_FileExists(templateFile)) {
    if (fkt_CreatePath(AppSettings.SettingsFolder, false)) CopyFile(templateFile, settingsFile);
  }

  const std::string hostName = platform.HostName();
  // A file that is there but cannot be read (another user's, a FIFO, a link
  // of another user) is reported; the defaults apply and it is not replaced
  // at exit.
  FileStatus status;
  const ProfileFile file = ProfileFile::Load(settingsFile, &status);
  if (!status.OkOrMissing()) ShowFileError(FileError::SettingsUnreadable, settingsFile, status);
  auto readText = [&](const char* key, const std::string& fallback) {
    return file.Get(kSettingsSection, key, fallback);
  };
  auto readFlag = [&](const char* key, std::uint8_t fallback, const char* section = kSettingsSection) {
    return ParseFlag(file.Get(section, key, std::to_string(fallback)), fallback);
  };

  AppSettings.UdpPort = readText("UdpPort", "8364");
  AppSettings.UdpPortLocale = readText("UdpPortLocale", "8364");
  AppSettings.UdpAddress = readText("UdpAddress", kDefaultUdpAddress);
  AppSettings.LocaleIpAddress = readText("LocaleIpAddress", hostName);
  AppSettings.Peculiar = readFlag("Peculiar", 1);
  AppSettings.Language = readFlag("Language", 1);
  AppSettings.PrefixOption = readFlag("PrefixOption", 0);
  AppSettings.ReadjustOption = readFlag("ReadjustOption", 0);
  AppSettings.PrefixChars = readText("PrefixChars", "");
  AppSettings.ReadjustChars = readText("ReadjustChars", "");
  AppSettings.DeleteSendChars = readFlag("DeleteSendChars", 0);
  // Anything but 1 is off, as the menu shows only on and off.
  AppSettings.FollowNewEntries = readFlag("FollowNewEntries", 0, kConsoleSection) == 1 ? 1 : 0;
  AppSettings.AppendBlockCheck = readFlag("AppendBlockCheck", 0, kConsoleSection) == 1 ? 1 : 0;

  // Reported in the language just read.
  ReportExposedSettingsFolder(AppSettings.SettingsFolder);

  RunCommandHook(g_loadCommands, AppSettings.SettingsFolder + kDefaultCommandsFileName, FileError::CannotRead);
  return true;
}

bool fkt_SaveSettings() {
  const std::string settingsFile = AppSettings.SettingsFolder + kSettingsFileName;

  // A missing folder would lose every setting silently; create it first.
  fkt_CreatePath(AppSettings.SettingsFolder, false);

  auto flag = [](std::uint8_t value) { return std::to_string(value); };
  SaveProfileSections(settingsFile, {
                                        {kSettingsSection,
                                         {
                                             {"UdpPort", AppSettings.UdpPort},
                                             {"UdpPortLocale", AppSettings.UdpPortLocale},
                                             {"UdpAddress", AppSettings.UdpAddress},
                                             {"LocaleIpAddress", AppSettings.LocaleIpAddress},
                                             {"Peculiar", flag(AppSettings.Peculiar)},
                                             {"Language", flag(AppSettings.Language)},
                                             {"PrefixOption", flag(AppSettings.PrefixOption)},
                                             {"ReadjustOption", flag(AppSettings.ReadjustOption)},
                                             {"PrefixChars", AppSettings.PrefixChars},
                                             {"ReadjustChars", AppSettings.ReadjustChars},
                                             {"DeleteSendChars", flag(AppSettings.DeleteSendChars)},
                                         },
                                         std::nullopt},
                                        {kConsoleSection,
                                         {
                                             {"FollowNewEntries", flag(AppSettings.FollowNewEntries)},
                                             {"AppendBlockCheck", flag(AppSettings.AppendBlockCheck)},
                                         },
                                         "0"},
                                    });
  RunCommandHook(g_saveCommands, AppSettings.SettingsFolder + kDefaultCommandsFileName,
                 FileError::UnexpectedSaveFailure);
  return true;
}
