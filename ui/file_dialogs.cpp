// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QStandardPaths>
#include <QTreeView>
#include <array>
#include <memory>

#include "app/program_settings.h"
#include "base/types.h"
#include "skin/window_region.h"
#include "text/text_table.h"

namespace {

// The size the dialogs open at: wide enough for the name, size, type and date columns.
constexpr QSize kDialogSize(760, 460);

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

std::array<QString, 3>& LastFolders() {
  static std::array<QString, 3> folders;
  return folders;
}

QString& LastFolder(FileKind kind) { return LastFolders()[static_cast<std::size_t>(kind)]; }

QColor Colour(COLORREF c) { return QColor::fromRgb(ToQRgb(c)); }

QString Filter(FileKind kind) {
  const TextTable& t = TextTable::Instance();
  switch (kind) {
    case FileKind::kProfile: return Q(t.tc_file_profile) + QStringLiteral(" (*.kbp)");
    case FileKind::kMacro: return Q(t.tc_file_macro) + QStringLiteral(" (*.mck)");
    case FileKind::kFolder: break;
  }
  return {};
}

// Runs the dialog; the chosen path, and its folder remembered for the kind.
std::string Run(QFileDialog& dialog, FileKind kind) {
  ApplySkinDialogLook(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString chosen = dialog.selectedFiles().first();
  LastFolder(kind) = kind == FileKind::kFolder ? chosen : QFileInfo(chosen).absolutePath();
  return chosen.toStdString();
}

QFileDialog* Make(QWidget* owner, FileKind kind, const std::u16string& title) {
  auto* dialog = new QFileDialog(owner, Q(title), StartFolder(kind), Filter(kind));
  dialog->setAttribute(Qt::WA_DeleteOnClose, false);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  return dialog;
}

}  // namespace

QString StartFolder(FileKind kind) {
  const QString& last = LastFolder(kind);
  if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return QDir::homePath();
}

void ApplySkinDialogLook(QFileDialog& dialog) {
  const AppSettings& s = Settings();
  const QColor field = Colour(s.LstBox_bkg_clr), text = Colour(s.LstBox_txt_clr_nr);
  const QColor selection = Colour(s.LstBox_item_clr), selected = Colour(s.LstBox_txt_clr_dn);
  QPalette p = dialog.palette();
  p.setColor(QPalette::Window, field.lighter(115));
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, field);
  p.setColor(QPalette::AlternateBase, field.lighter(110));
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, field.lighter(135));
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::Highlight, selection);
  p.setColor(QPalette::HighlightedText, selected);
  p.setColor(QPalette::ToolTipBase, field);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, text.darker(140));
  p.setColor(QPalette::Disabled, QPalette::Text, text.darker(170));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, text.darker(170));
  p.setColor(QPalette::Disabled, QPalette::WindowText, text.darker(170));
  dialog.setPalette(p);
  dialog.resize(kDialogSize);
  // The name column takes what the others leave, so no column is cut.
  for (QTreeView* view : dialog.findChildren<QTreeView*>()) {
    view->header()->setStretchLastSection(false);
    view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < view->header()->count(); ++c) view->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  }
}

std::string AskOpenFile(QWidget* owner, FileKind kind, const std::u16string& title) {
  std::unique_ptr<QFileDialog> dialog(Make(owner, kind, title));
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::ExistingFile);
  return Run(*dialog, kind);
}

std::string AskSaveFile(QWidget* owner, FileKind kind, const std::u16string& title, const std::u16string& proposal) {
  std::unique_ptr<QFileDialog> dialog(Make(owner, kind, title));
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setDefaultSuffix(kind == FileKind::kProfile ? QStringLiteral("kbp") : QStringLiteral("mck"));
  dialog->selectFile(Q(proposal));
  return Run(*dialog, kind);
}

std::string AskFolder(QWidget* owner, const std::u16string& title) {
  std::unique_ptr<QFileDialog> dialog(Make(owner, FileKind::kFolder, title));
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly);
  return Run(*dialog, FileKind::kFolder);
}
