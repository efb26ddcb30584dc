// SPDX-License-Identifier: GPL-2.0-or-later
// Qt's own words in the language of the program's texts: the buttons, labels and column
// titles of the file dialogs and the edit menus of the text fields come from Qt's
// translations (the qtbase_<lang> files of the system's Qt translations folder). Start-up
// loads them right after it has chosen the text table; English needs none.
#pragma once

#include <QString>
#include <string>

class QTranslator;

// The folder Qt's translations are read from (QLibraryInfo's translations path).
QString QtTranslationsFolder();

// Loads Qt's translation of the language ("de", "de_AT": the territory first, then the
// language) into the translator and installs it in the application. False, and logged
// once, when the language has none there (the missing words stay English); false without
// a log for "" and "en".
bool LoadQtTranslations(const std::string& language, QTranslator& translator);
