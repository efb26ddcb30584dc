// SPDX-License-Identifier: GPL-2.0-or-later
// One running instance per user: a lock named after the instance name, held while the
// program runs, and a local socket of the same name on which a second start asks the
// first to wake the window with a given caption.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(const QString& name, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Takes the instance lock and starts listening. False when another process holds it,
  // that is, when the name already existed.
  bool Acquire();
  // Releases the lock and stops listening (shutdown); also done by the destructor.
  void Release();

  // A second start: asks the instance holding the name to wake its window with this
  // caption. False when no instance answered.
  static bool SendWake(const QString& name, const QString& caption, int timeoutMs = 2000);

  // The files behind a name, in the user's runtime folder.
  static QString LockPath(const QString& name);
  static QString SocketPath(const QString& name);

 signals:
  // A second start asked for the window with this caption.
  void wakeRequested(const QString& caption);

 private:
  void OnConnection();
  QString name_;
  int lockFd_ = -1;
  std::unique_ptr<QLocalServer> server_;
};
