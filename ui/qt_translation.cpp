// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "base/log.h"

QString QtTranslationsFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool LoadQtTranslations(const std::string& language, QTranslator& translator) {
  if (language.empty() || language == "en" || language.rfind("en_", 0) == 0) return false;
  const QLocale locale(QString::fromStdString(language));
  // qtbase_de_AT.qm, then qtbase_de.qm; QLocale names the language's own territory when
  // only the language was given, which QTranslator also tries without it.
  const QString folder = QtTranslationsFolder();
  if (!translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
    WriteLog("Qt texts: no qtbase translation for %s in %s", language.c_str(), folder.toUtf8().constData());
    return false;
  }
  QCoreApplication::installTranslator(&translator);
  return true;
}
