#include "dialogs/ProgramVersion.h"

// The build passes the project's version numbers in.
#if !defined(TELVANE_VERSION_MAJOR) || !defined(TELVANE_VERSION_MINOR) || !defined(TELVANE_VERSION_REVISION)
#error "The build must define TELVANE_VERSION_MAJOR, TELVANE_VERSION_MINOR and TELVANE_VERSION_REVISION"
#endif

std::string FormatProgramVersion(int major, int minor, int revision) {
  return "V" + std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(revision);
}

std::string ProgramVersionText() {
  return FormatProgramVersion(TELVANE_VERSION_MAJOR, TELVANE_VERSION_MINOR, TELVANE_VERSION_REVISION);
}
