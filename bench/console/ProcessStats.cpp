#include "bench/console/ProcessStats.h"

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

}  // namespace

std::size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t totalPages = 0;
  std::size_t residentPages = 0;
  statm >> totalPages >> residentPages;
  return residentPages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

std::size_t PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string key;
  std::size_t kib = 0;
  while (status >> key) {
    if (key == "VmHWM:" && status >> kib) return kib * 1024;
    status.ignore(256, '\n');
  }
  return 0;
}

void ResetPeakResident() {
  // "5" resets the peak resident size (Linux 4.0 and later).
  std::ofstream("/proc/self/clear_refs") << "5";
}

CpuTime ProcessCpuTime() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return {Seconds(usage.ru_utime) + Seconds(usage.ru_stime), Seconds(usage.ru_stime), usage.ru_nvcsw, usage.ru_nivcsw};
}

CpuTime ThreadCpuTime() {
  rusage usage{};
  ::getrusage(RUSAGE_THREAD, &usage);
  return {Seconds(usage.ru_utime) + Seconds(usage.ru_stime), Seconds(usage.ru_stime), usage.ru_nvcsw, usage.ru_nivcsw};
}

double ChildrenCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

double MachineBusySeconds() {
  // "cpu  user nice system idle iowait irq softirq steal ...", in clock ticks.
  std::ifstream stat("/proc/stat");
  std::string label;
  unsigned long long user = 0;
  unsigned long long nice = 0;
  unsigned long long system = 0;
  unsigned long long idle = 0;
  unsigned long long iowait = 0;
  unsigned long long irq = 0;
  unsigned long long softirq = 0;
  unsigned long long steal = 0;
  stat >> label >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
  const auto busy = user + nice + system + irq + softirq + steal;
  return static_cast<double>(busy) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}
