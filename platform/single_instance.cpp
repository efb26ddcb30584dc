// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

// The user's private runtime folder: $XDG_RUNTIME_DIR, else a 0700 folder in /tmp.
QString RuntimeFolder() {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir(QString::fromLocal8Bit(runtime)).exists()) return QString::fromLocal8Bit(runtime);
  const QString folder = QDir::tempPath() + QStringLiteral("/tastor-%1").arg(::getuid());
  ::mkdir(QFile::encodeName(folder).constData(), 0700);
  return folder;
}

// A file-name-safe form of the instance name; other characters become their code.
QString SafeName(const QString& name) {
  QString safe;
  for (const QChar c : name) {
    if (c.isLetterOrNumber() && c.unicode() < 128) {
      safe += c;
    } else if (c == u'_' || c == u'-' || c == u'.') {
      safe += c;
    } else {
      safe += QStringLiteral("%%%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
  }
  return safe;
}

constexpr char kWake[] = "WAKE ";

}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), name_(name) {}

SingleInstance::~SingleInstance() { Release(); }

QString SingleInstance::LockPath(const QString& name) {
  return RuntimeFolder() + QStringLiteral("/tastor-") + SafeName(name) + QStringLiteral(".lock");
}

QString SingleInstance::SocketPath(const QString& name) {
  return RuntimeFolder() + QStringLiteral("/tastor-") + SafeName(name) + QStringLiteral(".sock");
}

bool SingleInstance::Acquire() {
  const QByteArray path = QFile::encodeName(LockPath(name_));
  lockFd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockFd_ < 0) return true;  // no lock possible: like a failed mutex, start anyway
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(lockFd_);
    lockFd_ = -1;
    return false;
  }
  // Holding the lock, any socket left by a crashed instance is stale.
  const QString socket = SocketPath(name_);
  QLocalServer::removeServer(socket);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_.get(), &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
  server_->listen(socket);
  return true;
}

void SingleInstance::Release() {
  if (server_) {
    server_->close();
    server_.reset();
  }
  if (lockFd_ >= 0) {
    ::close(lockFd_);
    lockFd_ = -1;
  }
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* client = server_->nextPendingConnection()) {
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
      if (!client->canReadLine()) return;
      QByteArray line = client->readLine();
      if (line.endsWith('\n')) line.chop(1);
      if (line.startsWith(kWake)) emit wakeRequested(QString::fromUtf8(line.mid(sizeof kWake - 1)));
      client->disconnectFromServer();
    });
  }
}

bool SingleInstance::SendWake(const QString& name, const QString& caption, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(SocketPath(name));
  if (!socket.waitForConnected(timeoutMs)) return false;
  QByteArray line = kWake + caption.toUtf8();
  line.replace('\n', ' ');
  socket.write(line + '\n');
  socket.waitForBytesWritten(timeoutMs);
  socket.waitForDisconnected(timeoutMs);
  return true;
}
