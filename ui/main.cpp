// tastor: the keyboard's configuration program.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/desktop_session.h"
#include "app/paths.h"
#include "app/version.h"
#include "platform/special_folders.h"
#include "ui/screen_fit.h"
#include "ui/tastor_app.h"

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
  // Answered before any window system is opened, so they work without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("tastor %s\n", TastorVersion());
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::puts("Usage: tastor [--simulate] [--program-dir DIR] [--user-dir DIR] [--lang CODE]\n"
                "  --simulate         use the simulated keyboard when none is attached\n"
                "  --program-dir DIR  read cfg.ini, text.xml and skins/ from DIR\n"
                "  --user-dir DIR     keep profiles and macros in DIR\n"
                "  --lang CODE        show the texts of translations/CODE/text.xml (en: text.xml);\n"
                "                     default: the language of LC_ALL, LC_MESSAGES or LANG\n"
                "  --version          print the version and end\n"
                "  --quit-after-first-paint  end once the main window has been painted (for timing)");
      return 0;
    }
  }

  StartOptions options;
  // The skinned windows need X11: in a Wayland session they run on XWayland when it is there.
  const GuiPlatformChoice platform = ChooseGuiPlatform();
  if (!platform.platform.empty()) ::setenv("QT_QPA_PLATFORM", platform.platform.c_str(), 1);
  options.nativeWayland = platform.nativeWayland;

  // The windows' scale is fixed with the application object, so it is chosen before it
  // (ui/screen_fit).
  std::string programFolder = ProgramFolder();
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--program-dir") == 0) programFolder = WithTrailingSlash(argv[i + 1]);
  }
  PrepareWindowScale(programFolder);

  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tastor"));
  QApplication::setApplicationVersion(QString::fromLatin1(TastorVersion()));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopAppId));

  QuitAfterFirstPaint quitAfterPaint;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--simulate") == 0) {
      options.simulate = true;
    } else if (std::strcmp(argv[i], "--program-dir") == 0 && hasValue) {
      options.programFolder = WithTrailingSlash(argv[++i]);
    } else if (std::strcmp(argv[i], "--user-dir") == 0 && hasValue) {
      options.userDir = WithTrailingSlash(argv[++i]);
    } else if (std::strcmp(argv[i], "--lang") == 0 && hasValue) {
      options.language = argv[++i];
    } else if (std::strcmp(argv[i], "--quit-after-first-paint") == 0) {
      qapp.installEventFilter(&quitAfterPaint);
    }
  }

  CTastorApp app(options);
  app.InitInstance();
  return app.ExitInstance();
}
