#include "core/Platform.h"

#include <stdexcept>

namespace {
Platform* g_platform = nullptr;
}

Platform& CurrentPlatform() {
  if (g_platform == nullptr) throw std::logic_error("no platform installed");
  return *g_platform;
}

void SetPlatform(Platform* platform) { g_platform = platform; }
