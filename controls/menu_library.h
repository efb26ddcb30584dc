// The binding of the skinned-menu library (Velum), loaded by start-up from the program
// folder. Its absence is not an error: combo buttons and context menus then open nothing.
#pragma once

#include <memory>
#include <string>

#include "platform/dynamic_library.h"

struct MenuLibrary {
  std::unique_ptr<DynamicLibrary> module;
};

MenuLibrary& Menus();

// Loads the library when its file is in the program folder; returns 1 when it loaded.
int LoadMenuLibrary(const std::string& programFolder);
