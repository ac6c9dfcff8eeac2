#pragma once
// The settings record and its file.
//
// AppSettings lives for the whole run. fkt_LoadSettings fills it at start from
// Settings.ini in the settings folder (after copying a template that sits
// beside the executable on a first start) and then lets the command slots load
// DefaultCommands.icf; fkt_SaveSettings writes it back at exit and lets the
// command slots save. In between the settings dialog changes it in memory only
// and tells the program so (NotifySettingsChanged).
#include <cstdint>
#include <functional>
#include <string>

struct AppSettingsRecord {
  std::string UdpPort;
  std::string UdpPortLocale;
  std::string UdpAddress;
  std::string LocaleIpAddress;
  std::uint8_t Peculiar = 0;
  std::uint8_t Language = 0;
  std::uint8_t PrefixOption = 0;
  std::uint8_t ReadjustOption = 0;
  std::string PrefixChars;
  std::string ReadjustChars;
  std::uint8_t DeleteSendChars = 0;
  std::string SettingsFolder;  // with a trailing "/"; not stored

  // The console's own preferences beyond the keys above, in a section of
  // their own (kConsoleSection), written only once they were changed.
  std::uint8_t FollowNewEntries = 0;  // the list keeps its newest entry in sight
  std::uint8_t AppendBlockCheck = 0;  // a frame ending in ETX gets its block check at send time
};

extern AppSettingsRecord AppSettings;

// The instrument's address when the file does not name one.
inline constexpr const char* kDefaultUdpAddress = "192.168.100.50";

inline constexpr const char* kSettingsSection = "SETTINGS";
inline constexpr const char* kConsoleSection = "CONSOLE";
inline constexpr const char* kSettingsFileName = "Settings.ini";
inline constexpr const char* kDefaultCommandsFileName = "DefaultCommands.icf";

// The command slots register how they load and save their file; the settings
// load and save call them with SettingsFolder + "DefaultCommands.icf".
using CommandConfigHook = std::function<void(const std::string& path)>;
void SetCommandConfigHooks(CommandConfigHook load, CommandConfigHook save);

// Whatever changes AppSettings while the program runs (the settings dialog)
// says so through NotifySettingsChanged; the link supervision listens, so it
// need not look for changes while nothing happens.
using SettingsChangedHook = std::function<void()>;
void SetSettingsChangedHook(SettingsChangedHook hook);
void NotifySettingsChanged();

bool fkt_LoadSettings();
// Creates a missing settings folder first; a write that fails is reported in
// an error box naming the file.
bool fkt_SaveSettings();
