#include "ui/placeholder_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/log.h"
#include "app/paths.h"
#include "app/settings.h"
#include "platform/messages.h"
#include "text/text_table.h"
#include "ui/window_message.h"

CPlaceholderDlg::CPlaceholderDlg(QWidget* parent) : QDialog(parent) {
  const AppSettings& s = Settings();
  setWindowTitle(QString::fromStdU16String(s.Title));

  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel(QString::fromStdU16String(s.Title.empty() ? u"Tastor" : s.Title));
  QFont big = heading->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  heading->setFont(big);
  layout->addWidget(heading);

  auto* form = new QFormLayout;
  const QString version = QString::fromStdU16String(TextTable::Instance().tc_version);
  form->addRow(tr("Version:"), new QLabel(version.isEmpty() ? tr("(no text.xml)") : version));
  form->addRow(tr("Keyboard:"), new QLabel(QStringLiteral("VID_%1&PID_%2")
                                               .arg(s.VID, 4, 16, QLatin1Char('0'))
                                               .arg(s.PID, 4, 16, QLatin1Char('0'))
                                               .toUpper()));
  form->addRow(tr("Keys in the key table:"), new QLabel(QString::number(s.KeyTable.count)));
  form->addRow(tr("Program folder:"), new QLabel(QString::fromStdString(Paths().programFolder)));
  form->addRow(tr("User data folder:"), new QLabel(QString::fromStdString(Paths().userDataFolder)));
  layout->addLayout(form);

  auto* note = new QLabel(tr("The keyboard's main window is not part of this build yet."));
  note->setWordWrap(true);
  layout->addWidget(note);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  setMinimumWidth(420);
}

bool CPlaceholderDlg::event(QEvent* e) {
  if (WindowMessageOf(e) == WM_TRAY_NOTIFY) {
    const auto* message = static_cast<WindowMessageEvent*>(e);
    if (message->lParam == WM_LBUTTONDBLCLK) Wake();
    return true;
  }
  return QDialog::event(e);
}

void CPlaceholderDlg::Wake() {
  WriteLog("Wake: shown and raised");
  showNormal();
  raise();
  activateWindow();
}
