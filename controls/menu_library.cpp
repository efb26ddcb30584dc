// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/menu_library.h"

#include <QFont>
#include <QFontInfo>
#include <algorithm>
#include <memory>
#include <vector>

#include "base/log.h"
#include "controls/control_look.h"
#include "platform/special_folders.h"
#include "skin/skin_image.h"

namespace {

// Modules stay loaded (and reachable) until the process ends: a menu may still be drawn by
// a module the binding has forgotten.
std::vector<std::unique_ptr<DynamicLibrary>>& LoadedModules() {
  static std::vector<std::unique_ptr<DynamicLibrary>> modules;
  return modules;
}

constexpr VelumColour kMenuFrameColour = RGB(50, 50, 50);

}  // namespace

MenuLibrary& Menus() {
  static MenuLibrary menus;
  return menus;
}

int LoadMenuLibrary(const std::string& programFolder) {
  ForgetMenuLibrary();
  const std::string path = programFolder + SharedLibraryFileName("Velum");
  if (!PathFileExists(path)) return 0;
  std::string error;
  std::unique_ptr<DynamicLibrary> module = DynamicLibrary::Open(path, &error);
  if (!module) {
    WriteLog("LoadLibrary Velum: %s", error.c_str());
    return 0;
  }
  MenuLibrary& m = Menus();
  m.module = module.get();
  LoadedModules().push_back(std::move(module));
  m.DllPreTranslateMessage = m.module->Resolve<VelumDllPreTranslateMessageFn>("DllPreTranslateMessage");
  m.CreateMenuEx = m.module->Resolve<VelumCreateMenuExFn>("CreateMenuEx");
  m.DestroyMenuEx = m.module->Resolve<VelumDestroyMenuExFn>("DestroyMenuEx");
  m.SetGdiInit = m.module->Resolve<VelumSetGdiInitFn>("SetGdiInit");
  m.SetMenuAlign = m.module->Resolve<VelumSetMenuAlignFn>("SetMenuAlign");
  if (m.DllPreTranslateMessage && m.CreateMenuEx && m.DestroyMenuEx && m.SetGdiInit && m.SetMenuAlign) {
    static constexpr const char* kImages[8] = {"menu_nr.bmp",    "menu_ov.bmp",    "menu_ov.bmp",
                                               "menu_nr.bmp",    "menusub_nr.bmp", "menusub_ov.bmp",
                                               "menusub_ov.bmp", "menusub_nr.bmp"};
    for (std::size_t i = 0; i < m.imagePaths.size(); ++i) m.imagePaths[i] = SkinPath(programFolder, kImages[i]);
    m.SetMenuAlign(CurrentControlLook().menuAlign);
  }
  return 1;
}

void ForgetMenuLibrary() {
  if (Menus().DestroyMenuEx) Menus().DestroyMenuEx();
  Menus() = MenuLibrary{};
}

void CloseSkinnedMenus() {
  if (Menus().DestroyMenuEx) Menus().DestroyMenuEx();
}

bool MenuItems::Add(int32_t parent, int32_t value, std::u16string_view text) {
  if (count_ >= VELUM_MAX_ITEMS) return false;
  VelumMenuItem& item = records_[static_cast<std::size_t>(count_++)];
  item.parent = parent;
  item.value = value;
  const std::size_t n = std::min<std::size_t>(text.size(), VELUM_TEXT_CHARS);
  std::copy_n(text.begin(), n, item.text);
  item.text[n] = 0;
  return true;
}

std::u16string MenuItemText(const VelumMenuItem& item) {
  std::u16string text;
  for (int i = 0; i <= VELUM_TEXT_CHARS && item.text[i] != 0; ++i) text.push_back(static_cast<char16_t>(item.text[i]));
  return text;
}

LOGFONTW LogFontOf(const QFont& font) {
  LOGFONTW lf{};
  lf.lfHeight = -QFontInfo(font).pixelSize();
  lf.lfWeight = font.weight();
  lf.lfItalic = font.italic() ? 1 : 0;
  lf.lfUnderline = font.underline() ? 1 : 0;
  lf.lfStrikeOut = font.strikeOut() ? 1 : 0;
  lf.lfCharSet = 1;  // default character set
  const std::u16string face = font.family().toStdU16String();
  const std::size_t n = std::min<std::size_t>(face.size(), 31);
  std::copy_n(face.begin(), n, lf.lfFaceName);
  return lf;
}

bool OpenSkinnedMenu(HWND owner, int width, QPoint topLeft, const MenuItems& items, intptr_t context,
                     const QFont* font, int itemHeight) {
  const MenuLibrary& m = Menus();
  if (!m.CreateMenuEx || items.Count() == 0) return false;
  const ControlLook& look = CurrentControlLook();
  const VelumPoint at{topLeft.x(), topLeft.y()};
  const VelumColour frame = kMenuFrameColour;
  LOGFONTW lf{};
  if (font != nullptr) lf = LogFontOf(*font);
  const auto& p = m.imagePaths;
  m.CreateMenuEx(owner, itemHeight, width, &at, look.menuText[0], look.menuText[1], look.menuText[2],
                 p[0].c_str(), p[1].c_str(), p[2].c_str(), p[3].c_str(), p[4].c_str(), p[5].c_str(),
                 p[6].c_str(), p[7].c_str(), context, &frame, items.Records(), items.Count(),
                 font != nullptr ? &lf : nullptr);
  return true;
}
