// SPDX-License-Identifier: GPL-2.0-or-later
// The program's file dialogs: Qt's own dialogs (the same on every desktop), in the dark
// colours of the skin's lists, titled from the text table, filtered to the kind of file,
// and starting in the folder last used for that kind of file during this run (the first
// time: the user's documents folder, else the home folder). The main window's profile
// commands and the macro editor's import and export use them.
#pragma once

#include <QString>
#include <string>

class QFileDialog;
class QWidget;

enum class FileKind { kProfile, kMacro, kFolder };

// An existing file to read; "" when cancelled.
std::string AskOpenFile(QWidget* owner, FileKind kind, const std::u16string& title);
// A file to write, proposing a name; "" when cancelled.
std::string AskSaveFile(QWidget* owner, FileKind kind, const std::u16string& title, const std::u16string& proposal);
// A folder; "" when cancelled.
std::string AskFolder(QWidget* owner, const std::u16string& title);

// The folder a dialog of that kind starts in.
QString StartFolder(FileKind kind);
// Gives a file dialog the skin's colours (used by the three above).
void ApplySkinDialogLook(QFileDialog& dialog);
