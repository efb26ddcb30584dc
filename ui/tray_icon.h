// SPDX-License-Identifier: GPL-2.0-or-later
// CTrayIcon: the main window's icon in the notification area. Its tip is the program's
// title; a double click on it posts WM_TRAY_NOTIFY (0, 515) to the main window, the
// message a second start of the program sends too; its menu offers tc_config (command
// 0x6000, show the window) and tc_exit (0x6001, end the program) and reports the chosen
// command. The balloon tells that the keyboard was removed.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <memory>
#include <optional>

#include "platform/hwnd.h"

inline constexpr int kTrayCommandShow = 0x6000;
inline constexpr int kTrayCommandExit = 0x6001;

class CTrayIcon : public QObject {
  Q_OBJECT
 public:
  explicit CTrayIcon(QObject* parent = nullptr);
  ~CTrayIcon() override;

  // Whether the desktop shows tray icons (QSystemTrayIcon::isSystemTrayAvailable); tests
  // of the windows' tray behaviour can assume an answer.
  static bool Available();
  static void AssumeAvailable(std::optional<bool> available);

  // Adds the icon with the tip; its double click is posted to the window.
  void Add(HWND window, const QIcon& icon, const QString& tip);
  // Removes the icon (shutdown).
  void Remove();
  bool Exists() const { return icon_ != nullptr; }

  // The balloon: a title, a text and the information icon.
  void ShowBalloon(const QString& title, const QString& text);

  QSystemTrayIcon* Icon() const { return icon_.get(); }
  QMenu* Menu() const { return menu_.get(); }

 signals:
  // A command of the menu: kTrayCommandShow or kTrayCommandExit.
  void command(int id);

 private:
  HWND window_ = nullptr;
  std::unique_ptr<QMenu> menu_;
  std::unique_ptr<QSystemTrayIcon> icon_;
};
