// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/hook_library.h"

#include "base/log.h"
#include "base/window_port.h"

HookLibrary& Hook() {
  static HookLibrary hook;
  return hook;
}

std::string HookLibraryPath(const std::string& programFolder) {
  return programFolder + SharedLibraryFileName("TapHook");
}

int LoadHookLibrary(const std::string& programFolder) {
  HookLibrary& hook = Hook();
  std::string error;
  hook.module = DynamicLibrary::Open(HookLibraryPath(programFolder), &error);
  if (!hook.module) {
    WriteLog("LoadLibrary TapHook: %s", error.c_str());
    Windows().MessageBox(nullptr, u"Load TapHook.dll failed", u"Warning", MB_OK | MB_ICONWARNING);
    hook = HookLibrary{};
    return 0;
  }
  hook.installhook = hook.module->Resolve<int (*)()>("installhook");
  hook.removehook = hook.module->Resolve<int (*)()>("removehook");
  hook.SetHookStatus = hook.module->Resolve<void (*)(int)>("SetHookStatus");
  hook.SetReciveWindow = hook.module->Resolve<void (*)(HWND)>("SetReciveWindow");
  if (!hook.installhook || !hook.removehook || !hook.SetHookStatus || !hook.SetReciveWindow) {
    Windows().MessageBox(nullptr, u"Load TapHook.dll failed", u"Warning", MB_OK | MB_ICONWARNING);
  }
  hook.liveLogged = false;
  hook.live = hook.installhook != nullptr && hook.installhook() != 0;
  if (hook.installhook && !hook.live) WriteLog("installhook failed: no key capture through TapHook");
  return 1;
}

bool HookIsLive() {
  HookLibrary& hook = Hook();
  const bool live = hook.live && hook.SetReciveWindow != nullptr && hook.SetHookStatus != nullptr;
  if (!hook.liveLogged) {
    hook.liveLogged = true;
    WriteLog(live ? "Key capture: through TapHook" : "Key capture: the windows' own key events (TapHook not live)");
  }
  return live;
}

bool CaptureThroughHook(int32_t hookSetting) { return hookSetting != 0 && HookIsLive(); }

void HookSetReceiver(HWND window) {
  HookLibrary& hook = Hook();
  if (!hook.SetReciveWindow) return;
  hook.SetReciveWindow(window);
  hook.receiver = window;
}

void HookSetStatus(int on) {
  HookLibrary& hook = Hook();
  if (!hook.SetHookStatus) return;
  hook.SetHookStatus(on);
  hook.status = on;
}

HookCaptureState HookState() { return {Hook().receiver, Hook().status}; }

void RestoreHookState(const HookCaptureState& state) {
  if (state.receiver != nullptr) HookSetReceiver(state.receiver);
  if (state.status != 0) HookSetStatus(state.status);
}

void UnloadHookLibrary() {
  HookLibrary& hook = Hook();
  // Without removehook the module stays loaded and nothing in it is called.
  if (!hook.removehook) return;
  HookSetStatus(0);
  hook.removehook();
  hook.installhook = nullptr;
  hook.removehook = nullptr;
  hook.SetHookStatus = nullptr;
  // The receiving-window entry point would point into the unloaded module: drop it too.
  hook.SetReciveWindow = nullptr;
  hook.live = false;
  hook.receiver = nullptr;
  hook.module.reset();
}
