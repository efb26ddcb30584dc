// tastor: the keyboard's configuration program.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/paths.h"
#include "ui/tastor_app.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tastor"));

  StartOptions options;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--simulate") == 0) {
      options.simulate = true;
    } else if (std::strcmp(argv[i], "--program-dir") == 0 && hasValue) {
      options.programFolder = WithTrailingSlash(argv[++i]);
    } else if (std::strcmp(argv[i], "--user-dir") == 0 && hasValue) {
      options.userDir = WithTrailingSlash(argv[++i]);
    } else if (std::strcmp(argv[i], "--help") == 0) {
      std::puts("Usage: tastor [--simulate] [--program-dir DIR] [--user-dir DIR]\n"
                "  --simulate         use the simulated keyboard when none is attached\n"
                "  --program-dir DIR  read cfg.ini, text.xml and skins/ from DIR\n"
                "  --user-dir DIR     keep profiles and macros in DIR");
      return 0;
    }
  }

  CTastorApp app(options);
  app.InitInstance();
  return app.ExitInstance();
}
