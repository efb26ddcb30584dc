#include "app/hook_library.h"

#include "app/log.h"
#include "app/window_port.h"

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
  if (hook.installhook) {
    hook.live = hook.installhook() != 0;
    WriteLog(hook.live ? "TapHook: keys are captured through the hook" : "TapHook: installhook failed, windows read their own keys");
  }
  return 1;
}

void UnloadHookLibrary() {
  HookLibrary& hook = Hook();
  // Without removehook the module stays loaded and nothing in it is called.
  if (!hook.removehook) return;
  if (hook.SetHookStatus) hook.SetHookStatus(0);
  hook.removehook();
  hook.live = false;
  hook.installhook = nullptr;
  hook.removehook = nullptr;
  hook.SetHookStatus = nullptr;
  // The receiving-window entry point would point into the unloaded module: drop it too.
  hook.SetReciveWindow = nullptr;
  hook.module.reset();
}

bool HookIsLive() {
  const HookLibrary& hook = Hook();
  return hook.live && hook.SetHookStatus != nullptr && hook.SetReciveWindow != nullptr;
}
