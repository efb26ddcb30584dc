// SPDX-License-Identifier: GPL-2.0-or-later
// The binding of the key-capture library (TapHook): loaded at start-up when its file is in
// the program folder, installed once, and removed at shutdown.
#pragma once

#include <cstdint>
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
  // installhook answered 1: the hook really watches the keyboard. It may fail (no X
  // display, no RECORD extension, a Wayland session) while every entry point resolved.
  bool live = false;
  // What the program last gave the library: the receiving window and the capture status.
  HWND receiver = nullptr;
  int status = 0;
  // Whether HookIsLive has written its answer to the log.
  bool liveLogged = false;
};

HookLibrary& Hook();

// The library's file in the program folder.
std::string HookLibraryPath(const std::string& programFolder);

// Loads the library, resolves its four entry points and installs the hook. A library that
// does not load, or lacks an entry point, shows "Load TapHook.dll failed" (caption
// "Warning"); the entry points that were found stay usable. Returns 1 when it loaded.
int LoadHookLibrary(const std::string& programFolder);

// True when the hook delivers keys: SetReciveWindow and SetHookStatus resolved and
// installhook succeeded. The first answer is logged, so Log.txt tells whether keys come
// from TapHook or from the windows' own keyboard filters.
bool HookIsLive();

// True when a capturing window is to read its keys from TapHook: the HookDLL setting
// (hookSetting) is on and the hook is live. Otherwise the window reads its own key events.
bool CaptureThroughHook(int32_t hookSetting);

// The calls of SetReciveWindow and SetHookStatus, each only when it resolved; what was set
// is remembered, so that a window that takes the hook over for a while can give it back.
void HookSetReceiver(HWND window);
void HookSetStatus(int on);

// Who receives TapHook's keys and whether capturing is on, as the program last set them.
struct HookCaptureState {
  HWND receiver = nullptr;
  int status = 0;
};
HookCaptureState HookState();
// Gives the hook back to the window that had it: its receiving window and status. Nothing
// is called when no window had it.
void RestoreHookState(const HookCaptureState& state);

// Shutdown: when removehook is there, stops capturing and removes the hook, then unloads.
void UnloadHookLibrary();
