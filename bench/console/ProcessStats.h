#pragma once
// What the bench reads about its own process: resident memory and CPU time.
#include <cstddef>

// Resident set size in bytes, from /proc/self/statm.
std::size_t ResidentBytes();
// The highest resident set size since the start or the last reset (VmHWM).
std::size_t PeakResidentBytes();
// Starts the peak over from the resident size now.
void ResetPeakResident();

struct CpuTime {
  double seconds = 0;            // user + system
  double systemSeconds = 0;      // in the kernel on the process's behalf
  long voluntarySwitches = 0;    // mostly wake-ups from waiting
  long involuntarySwitches = 0;  // preemptions
};
CpuTime ProcessCpuTime();
// The same for the calling thread alone (the window thread, in the bench).
CpuTime ThreadCpuTime();
// CPU time of the children that have ended (and been waited for).
double ChildrenCpuSeconds();
// Busy CPU time of the whole machine, all cores, from /proc/stat: what is
// left over after this process and its children is other people's load.
double MachineBusySeconds();
