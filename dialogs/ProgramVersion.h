#pragma once
// The program's version as the information dialog shows it.
#include <string>

// "V" + major + "." + minor + "." + revision, in plain decimal ("V3.12.7").
std::string FormatProgramVersion(int major, int minor, int revision);

// This program's own version, from the build's version numbers.
std::string ProgramVersionText();
