// tastor: the keyboard's configuration program.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "app/paths.h"
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
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tastor"));

  StartOptions options;
  QuitAfterFirstPaint quitAfterPaint;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--simulate") == 0) {
      options.simulate = true;
    } else if (std::strcmp(argv[i], "--program-dir") == 0 && hasValue) {
      options.programFolder = WithTrailingSlash(argv[++i]);
    } else if (std::strcmp(argv[i], "--user-dir") == 0 && hasValue) {
      options.userDir = WithTrailingSlash(argv[++i]);
    } else if (std::strcmp(argv[i], "--quit-after-first-paint") == 0) {
      qapp.installEventFilter(&quitAfterPaint);
    } else if (std::strcmp(argv[i], "--help") == 0) {
      std::puts("Usage: tastor [--simulate] [--program-dir DIR] [--user-dir DIR]\n"
                "  --simulate         use the simulated keyboard when none is attached\n"
                "  --program-dir DIR  read cfg.ini, text.xml and skins/ from DIR\n"
                "  --user-dir DIR     keep profiles and macros in DIR\n"
                "  --quit-after-first-paint  end once the main window has been painted (for timing)");
      return 0;
    }
  }

  CTastorApp app(options);
  app.InitInstance();
  return app.ExitInstance();
}
