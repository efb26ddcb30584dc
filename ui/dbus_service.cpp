// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/dbus_service.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QVariantMap>

#include "base/log.h"

QDBusArgument& operator<<(QDBusArgument& argument, const RemoteProfile& profile) {
  argument.beginStructure();
  argument << profile.slot << profile.name;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RemoteProfile& profile) {
  argument.beginStructure();
  argument >> profile.slot >> profile.name;
  argument.endStructure();
  return argument;
}

QString CDBusService::ErrorName(RemoteResult::Error error) {
  const char* name = "ApplyFailed";
  switch (error) {
    case RemoteResult::Error::None:
    case RemoteResult::Error::ApplyFailed: break;
    case RemoteResult::Error::Busy: name = "Busy"; break;
    case RemoteResult::Error::InvalidSlot: name = "InvalidSlot"; break;
    case RemoteResult::Error::NoKeyboard: name = "NoKeyboard"; break;
    case RemoteResult::Error::SaveFailed: name = "SaveFailed"; break;
  }
  return QString::fromLatin1(kErrorPrefix) + QString::fromLatin1(name);
}

CDBusService::CDBusService(CRemoteHost& host, QObject* parent) : QObject(parent), host_(host) {
  qDBusRegisterMetaType<RemoteProfile>();
  qDBusRegisterMetaType<QList<RemoteProfile>>();
}

CDBusService::~CDBusService() {
  if (!registered_) return;
  connection_.unregisterService(QString::fromLatin1(kServiceName));
  connection_.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool CDBusService::Register() { return Register(QDBusConnection::sessionBus()); }

bool CDBusService::Register(const QDBusConnection& connection) {
  if (registered_) return true;
  if (!connection.isConnected()) {
    WriteLog("D-Bus: no session bus (%s), so scripts and shortcuts cannot reach this program",
             connection.lastError().message().toUtf8().constData());
    return false;
  }
  QDBusConnection bus = connection;
  const QString path = QString::fromLatin1(kObjectPath);
  if (!bus.registerObject(path, this, QDBusConnection::ExportScriptableContents)) {
    WriteLog("D-Bus: the object %s cannot be offered", kObjectPath);
    return false;
  }
  // A name held by someone else is not queued for: the program runs without the service.
  if (!bus.registerService(QString::fromLatin1(kServiceName))) {
    WriteLog("D-Bus: the name %s is taken by another process (%s); this program goes on without it", kServiceName,
             bus.lastError().message().toUtf8().constData());
    bus.unregisterObject(path);
    return false;
  }
  connection_ = bus;
  registered_ = true;
  lastSlot_ = host_.RemoteCurrentSlot();
  WriteLog("D-Bus: %s on the session bus", kServiceName);
  return true;
}

uint CDBusService::CurrentProfile() const { return host_.RemoteCurrentSlot(); }
QString CDBusService::UserDataFolder() const { return host_.RemoteUserDataFolder(); }
bool CDBusService::Simulated() const { return host_.RemoteSimulated(); }

QList<RemoteProfile> CDBusService::ListProfiles() { return host_.RemoteProfiles(); }

RemoteReply CDBusService::DelayedReply() {
  setDelayedReply(true);
  QDBusMessage call = message();
  QDBusConnection bus = connection();
  return [call, bus](const RemoteResult& result) mutable {
    bus.send(result.Ok() ? call.createReply() : call.createErrorReply(ErrorName(result.error), result.message));
  };
}

void CDBusService::SwitchProfile(uint slot) { host_.RemoteSwitch(slot, DelayedReply()); }

void CDBusService::Apply() { host_.RemoteApply(DelayedReply()); }

void CDBusService::Show() { host_.RemoteShow(); }

void CDBusService::Quit() {
  const RemoteResult result = host_.RemoteQuit();
  if (!result.Ok()) sendErrorReply(ErrorName(result.error), result.message);
}

void CDBusService::NoteCurrentProfile() {
  const uint slot = host_.RemoteCurrentSlot();
  if (slot == lastSlot_) return;
  lastSlot_ = slot;
  if (!registered_) return;
  emit ProfileChanged(slot);
  QDBusMessage changed = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                    QStringLiteral("org.freedesktop.DBus.Properties"),
                                                    QStringLiteral("PropertiesChanged"));
  changed << QString::fromLatin1(kInterface)
          << QVariantMap{{QStringLiteral("CurrentProfile"), QVariant::fromValue(slot)}} << QStringList();
  connection_.send(changed);
}
