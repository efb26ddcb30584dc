// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-skin-gen: draws the reference skin from its layout description and writes it
// into a program folder: skins/, appico.ico and the generated lines of cfg.ini. With
// --screenshot it also composes a picture of the main window from that folder.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/program_settings.h"
#include "base/log.h"
#include "text/text_table.h"
#include "tools/skin_gen/cfg_lines.h"
#include "tools/skin_gen/ico_file.h"
#include "tools/skin_gen/screenshot.h"
#include "tools/skin_gen/skin_images.h"

namespace {

int Usage() {
  std::fputs("Usage: tastor-skin-gen --data DIR [--screenshot FILE]\n"
             "  --data DIR         program folder: writes DIR/skins/, DIR/appico.ico and the\n"
             "                     generated lines of DIR/cfg.ini (which must exist)\n"
             "  --screenshot FILE  afterwards composes the main window from DIR into FILE\n",
             stderr);
  return 2;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

int Generate(const QString& dir) {
  QString cfgText;
  {
    QFile cfg(dir + "/cfg.ini");
    if (!cfg.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "tastor-skin-gen: cannot read %s/cfg.ini\n", qPrintable(dir));
      return 1;
    }
    cfgText = QString::fromUtf8(cfg.readAll());
  }
  QString error;
  if (!skin_gen::ReplaceGeneratedLines(cfgText, &error)) {
    std::fprintf(stderr, "tastor-skin-gen: %s\n", qPrintable(error));
    return 1;
  }
  if (!WriteFile(dir + "/cfg.ini", cfgText.toUtf8())) return 1;

  QDir(dir).mkpath("skins");
  int count = 0;
  for (const skin_gen::SkinFile& f : skin_gen::SkinFiles()) {
    const QString path = dir + "/skins/" + f.name;
    if (!f.image.save(path, f.format.constData())) {
      std::fprintf(stderr, "tastor-skin-gen: cannot write %s\n", qPrintable(path));
      return 1;
    }
    ++count;
  }
  std::vector<QImage> icons;
  for (int size : {16, 24, 32, 48, 64}) icons.push_back(skin_gen::IconImage(size));
  if (!WriteFile(dir + "/appico.ico", skin_gen::IcoFile(icons))) return 1;
  std::printf("tastor-skin-gen: %d skin files, appico.ico and cfg.ini written to %s\n", count, qPrintable(dir));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Drawing needs no screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QString data;
  QString screenshot;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
      data = QString::fromLocal8Bit(argv[++i]);
    } else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
      screenshot = QString::fromLocal8Bit(argv[++i]);
    } else {
      return Usage();
    }
  }
  if (data.isEmpty()) return Usage();
  if (const int status = Generate(data); status != 0) return status;

  if (!screenshot.isEmpty()) {
    const std::string folder = QDir(data).absolutePath().toStdString() + "/";
    TextTable::Instance().Load(folder + "text.xml");
    LoadSettings(folder, Settings());
    if (!skin_gen::ComposeMainWindow(folder).save(screenshot, "PNG")) {
      std::fprintf(stderr, "tastor-skin-gen: cannot write %s\n", qPrintable(screenshot));
      return 1;
    }
    std::printf("tastor-skin-gen: main window composed into %s\n", qPrintable(screenshot));
  }
  return 0;
}
