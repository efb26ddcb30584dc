// SPDX-License-Identifier: GPL-2.0-or-later
// Shared pieces of the skinned-control tests: settings and program folder put back after
// each test, skins of solid colours whose pixels tell which image was drawn, and the menu
// windows of the menu library.
#pragma once

// Mouse events go through the window, as the window system delivers them: the widget under
// the pointer receives them, a press grabs the mouse, and enter and leave events follow.
#define QTEST_QPA_MOUSE_HANDLING
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

#include "app/paths.h"
#include "app/program_settings.h"
#include "controls/control_look.h"
#include "controls/menu_library.h"
#include "tests/gui/message_log.h"
#include "tests/support/test_support.h"

namespace controls_test {

using ::MessageLog;

// Puts the settings, the controls' look, the program folder and the menu library binding back.
class Restore {
 public:
  Restore() : settings_(Settings()), look_(CurrentControlLook()), folder_(Paths().programFolder) {}
  ~Restore() {
    ForgetMenuLibrary();
    Settings() = settings_;
    InstallControlLook(look_);
    Paths().programFolder = folder_;
  }

 private:
  AppSettings settings_;
  ControlLook look_;
  std::string folder_;
};

// Delivers posted events for a while (they are all posted to this thread).
inline void Pump(int ms = 0) {
  QElapsedTimer t;
  t.start();
  do {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  } while (t.elapsed() < ms);
  QApplication::processEvents();
}

inline QImage Solid(QSize size, QRgb colour) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(colour);
  return image;
}

// A program folder whose skins/ holds the given images.
class SkinFolder {
 public:
  void Put(const std::string& name, const QImage& image) {
    const std::string path = dir_.path() + "skins/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
  }
  // Makes it the program folder.
  void Use() const { Paths().programFolder = dir_.path(); }
  const std::string& path() const { return dir_.path(); }

 private:
  TempDir dir_;
};

// The program folder of the build, with the reference skin and the menu library.
inline void UseBuildFolder() { Paths().programFolder = BinDir(); }

// The visible windows of the menu library: the menu first, then its open submenus.
inline std::vector<QWidget*> OpenMenus() {
  std::vector<QWidget*> menus;
  for (const char* name : {"VelumMenu", "VelumSubmenu"}) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == QLatin1String(name) && w->isVisible()) menus.push_back(w);
    }
  }
  return menus;
}

// The centre of a menu row.
inline QPoint RowCentre(const QWidget* menu, int row, int itemHeight = kMenuItemHeight) {
  return QPoint(menu->width() / 2, row * itemHeight + itemHeight / 2);
}

}  // namespace controls_test
