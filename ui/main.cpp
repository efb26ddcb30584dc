// SPDX-License-Identifier: GPL-2.0-or-later
// tastor: the keyboard's configuration program.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/desktop_session.h"
#include "app/gui_options.h"
#include "app/version.h"
#include "app/paths.h"
#include "app/startup_trace.h"
#include "platform/special_folders.h"
#include "skin/skin_cache.h"
#include "ui/screen_fit.h"
#include "ui/tastor_app.h"
#include "ui/tray_presence.h"

namespace {

// For the start-up benchmark: closes the main window once it has been painted, so that the
// program's run from start to its first painted window can be timed from outside.
class QuitAfterFirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !done_ && watched->inherits("CTastorDlg")) {
      done_ = true;
      QTimer::singleShot(0, static_cast<QWidget*>(watched), &QWidget::close);
    }
    return false;
  }

 private:
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  TraceStartup("main");
  // The command line is read before any window system is opened, so that help, version
  // and usage errors work without a display.
  const GuiCommandLine line = ParseGuiCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (line.action) {
    case GuiCommandLine::Action::Refused:
      std::fprintf(stderr, "%s\n", line.error.c_str());
      return 2;
    case GuiCommandLine::Action::Version:
      std::printf("tastor %s\n", TastorVersion());
      return 0;
    case GuiCommandLine::Action::Help:
      std::fputs(GuiHelpText().c_str(), stdout);
      return 0;
    case GuiCommandLine::Action::HelpMan:
      std::fputs(GuiManPage().c_str(), stdout);
      return 0;
    case GuiCommandLine::Action::Run:
      break;
  }
  const GuiOptions& given = line.options;

  // The skinned windows need X11: on Wayland they run on XWayland, and without an X11
  // display the program says so instead of being aborted by Qt.
  const GuiPlatformChoice platform = ChooseGuiPlatform(given.platform, given.display);
  if (!platform.ok) {
    std::fprintf(stderr, "%s\n", platform.message.c_str());
    return 1;
  }
  if (!platform.platform.empty()) ::setenv("QT_QPA_PLATFORM", platform.platform.c_str(), 1);

  StartOptions options;
  options.programFolder = given.programFolder;
  options.userDir = given.userDir;
  options.language = given.language;
  options.simulate = given.simulate;
  options.nativeWayland = platform.nativeWayland;
  options.hidden = given.hidden;
  CTrayPresence::AskHiddenStart(given.hidden);

  // The main window's images are decoded on a thread of their own while the UI thread
  // connects to the display, reads the texts and settings and builds the window.
  const std::string programFolder =
      given.programFolder.empty() ? ProgramFolder() : WithTrailingSlash(given.programFolder);
  skin_cache::Prefetch(skin_cache::MainWindowImages(programFolder), {skin_cache::MainWindowMask(programFolder)});

  // The windows' scale is fixed with the application object, so it is chosen before it
  // (ui/screen_fit).
  PrepareWindowScale(programFolder);

  QApplication qapp(argc, argv);
  TraceStartup("application object");
  QApplication::setApplicationName(QStringLiteral("tastor"));
  QApplication::setApplicationVersion(QString::fromLatin1(TastorVersion()));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopAppId));

  QuitAfterFirstPaint quitAfterPaint;
  if (given.quitAfterFirstPaint) qapp.installEventFilter(&quitAfterPaint);

  CTastorApp app(options);
  app.InitInstance();
  const int result = app.ExitInstance();
  TraceStartup("shut down");
  skin_cache::Clear();
  TraceStartup("images released");
  return result;
}
