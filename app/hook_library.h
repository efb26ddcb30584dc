// The binding of the key-capture library (TapHook): loaded at start-up when its file is in
// the program folder, installed once, and removed at shutdown.
#pragma once

#include <memory>
#include <string>

#include "platform/dynamic_library.h"
#include "platform/hwnd.h"

struct HookLibrary {
  std::unique_ptr<DynamicLibrary> module;
  int (*installhook)() = nullptr;
  int (*removehook)() = nullptr;
  void (*SetHookStatus)(int on) = nullptr;
  void (*SetReciveWindow)(HWND window) = nullptr;
  // installhook succeeded: the hook really captures keys.
  bool live = false;
};

// True when the windows can capture through TapHook: the hook is installed and its
// receiving-window and status entry points are there. When installhook failed (no X
// display, no RECORD extension, a Wayland session) nothing would ever arrive.
bool HookIsLive();

HookLibrary& Hook();

// The library's file in the program folder.
std::string HookLibraryPath(const std::string& programFolder);

// Loads the library, resolves its four entry points and installs the hook. A library that
// does not load, or lacks an entry point, shows "Load TapHook.dll failed" (caption
// "Warning"); the entry points that were found stay usable. Returns 1 when it loaded.
int LoadHookLibrary(const std::string& programFolder);

// Shutdown: when removehook is there, stops capturing and removes the hook, then unloads.
void UnloadHookLibrary();
