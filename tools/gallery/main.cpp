// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-gallery: draws the skinned controls and the small windows in their states
// off-screen and writes one PNG file per sheet, so that a skin and the drawing can be
// looked at without clicking through the program.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/paths.h"
#include "app/program_settings.h"
#include "controls/control_look.h"
#include "controls/menu_library.h"
#include "platform/special_folders.h"
#include "skin/app_font.h"
#include "text/text_table.h"
#include "tools/gallery/sheets.h"

int main(int argc, char** argv) {
  // Nothing is shown on a screen: the pictures are drawn off-screen unless asked otherwise.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  std::string folder = ProgramFolder();
  QString out;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--program-dir") == 0 && hasValue) {
      folder = WithTrailingSlash(argv[++i]);
    } else if (std::strcmp(argv[i], "--out") == 0 && hasValue) {
      out = QString::fromLocal8Bit(argv[++i]);
    } else {
      std::fputs("Usage: tastor-gallery [--program-dir DIR] [--out DIR]\n"
                 "  --program-dir DIR  read cfg.ini, text.xml, skins/ and the menu library from DIR\n"
                 "                     (default: the program's own folder)\n"
                 "  --out DIR          write the pictures into DIR (default: gallery/ in the\n"
                 "                     program folder)\n",
                 stderr);
      return 2;
    }
  }

  if (out.isEmpty()) out = QString::fromStdString(folder + "gallery");
  Paths().programFolder = folder;
  TextTable::Instance().Load(folder + "text.xml");
  LoadSettings(folder, Settings());
  InstallControlLook(ControlLookOf(Settings()));
  CreateAppFont(folder, Settings().FontName, Settings().FontSize);
  if (!LoadMenuLibrary(folder)) std::fputs("tastor-gallery: no menu library, menus are left out\n", stderr);
  if (!QDir().mkpath(out)) {
    std::fprintf(stderr, "tastor-gallery: cannot make %s\n", qPrintable(out));
    return 1;
  }
  const QString dir = QDir(out).absolutePath() + "/";
  bool ok = gallery::ButtonSheet(dir + "buttons.png");
  ok = gallery::LightingPanelSheet(dir + "lighting_panel.png") && ok;
  ok = gallery::SubmenuSheet(dir + "menu_submenu.png") && ok;
  ok = gallery::SliderSheet(dir + "sliders.png") && ok;
  ok = gallery::SwatchSheet(dir + "swatches.png") && ok;
  ok = gallery::MessageBoxSheet(dir + "message_boxes.png") && ok;
  ok = gallery::ProgressSheet(dir + "progress.png") && ok;
  ok = gallery::KeyboardPictureSheet(dir + "keyboard_picture.png") && ok;
  RemoveAppFont(folder);
  return ok ? 0 : 1;
}
