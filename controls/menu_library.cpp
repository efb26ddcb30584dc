#include "controls/menu_library.h"

#include "app/log.h"
#include "platform/special_folders.h"

MenuLibrary& Menus() {
  static MenuLibrary menus;
  return menus;
}

int LoadMenuLibrary(const std::string& programFolder) {
  const std::string path = programFolder + SharedLibraryFileName("Velum");
  if (!PathFileExists(path)) return 0;
  std::string error;
  Menus().module = DynamicLibrary::Open(path, &error);
  if (!Menus().module) {
    WriteLog("LoadLibrary Velum: %s", error.c_str());
    return 0;
  }
  return 1;
}
