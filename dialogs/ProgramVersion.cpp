#include "dialogs/ProgramVersion.h"

// The build passes the project's version numbers in.
#if !defined(TELVANE_VERSION_MAJOR) || !defined(TELVANE_VERSION_MINOR) || !defined(TELVANE_VERSION_REVISION)
#error "The build must define TELVANE_VERSION_MAJOR, TELVANE_VERSION_MINOR and TELVANE_VERSION_REVISION"
#endif

std::string FormatProgramVersion(int major, int minor, int revision) {
  // Appended piece by piece into one string: a chain of operator+ on
  // temporaries trips GCC 12's -Wrestrict false positive once inlined at -O3.
  std::string text = "V";
  text += std::to_string(major);
  text += '.';
  text += std::to_string(minor);
  text += '.';
  text += std::to_string(revision);
  return text;
}

std::string ProgramVersionText() {
  return FormatProgramVersion(TELVANE_VERSION_MAJOR, TELVANE_VERSION_MINOR, TELVANE_VERSION_REVISION);
}
