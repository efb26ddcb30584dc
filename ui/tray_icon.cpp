// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/tray_icon.h"

#include "base/window_port.h"
#include "platform/messages.h"
#include "text/text_table.h"

namespace {
std::optional<bool> g_assumedAvailable;
}

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent) {}

CTrayIcon::~CTrayIcon() { Remove(); }

bool CTrayIcon::Available() {
  return g_assumedAvailable ? *g_assumedAvailable : QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::AssumeAvailable(std::optional<bool> available) { g_assumedAvailable = available; }

void CTrayIcon::Add(HWND window, const QIcon& icon, const QString& tip) {
  Remove();
  window_ = window;
  const TextTable& t = TextTable::Instance();
  menu_ = std::make_unique<QMenu>();
  QAction* show = menu_->addAction(QString::fromStdU16String(t.tc_config));
  menu_->addSeparator();
  QAction* exit = menu_->addAction(QString::fromStdU16String(t.tc_exit));
  connect(show, &QAction::triggered, this, [this] { emit command(kTrayCommandShow); });
  connect(exit, &QAction::triggered, this, [this] { emit command(kTrayCommandExit); });

  icon_ = std::make_unique<QSystemTrayIcon>(icon);
  icon_->setToolTip(tip);
  icon_->setContextMenu(menu_.get());
  connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    // The double click reaches the window the way a second start's wake does.
    if (reason == QSystemTrayIcon::DoubleClick) Windows().PostMessage(window_, WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK);
  });
  icon_->show();
}

void CTrayIcon::Remove() {
  if (icon_) icon_->hide();
  icon_.reset();
  menu_.reset();
  window_ = nullptr;
}

void CTrayIcon::ShowBalloon(const QString& title, const QString& text) {
  if (icon_) icon_->showMessage(title, text, QSystemTrayIcon::Information, 5000);
}
