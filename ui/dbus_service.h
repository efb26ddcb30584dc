// SPDX-License-Identifier: GPL-2.0-or-later
// CDBusService: the running program's service on the session bus, so that scripts and
// desktop shortcuts (tastor-cli switch, gdbus) can switch and apply profiles without the
// window: name org.tastor.Tastor, object /org/tastor/Tastor, interface org.tastor.Tastor1
// as packaging/org.tastor.Tastor1.xml describes it. The service holds no rules of the
// data: each call goes to its CRemoteHost (the main window's CRemoteControl), which
// decides and answers; calls that apply are answered once the apply has ended (delayed
// replies), with an error name of org.tastor.Tastor1.Error when refused or failed.
// Made and used on the UI thread.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class QDBusArgument;

// One profile button as ListProfiles gives it: its slot (1 to 3) and the profile's name.
struct RemoteProfile {
  uint slot = 0;
  QString name;
};
Q_DECLARE_METATYPE(RemoteProfile)
QDBusArgument& operator<<(QDBusArgument& argument, const RemoteProfile& profile);
const QDBusArgument& operator>>(const QDBusArgument& argument, RemoteProfile& profile);

// How a request from outside ended.
struct RemoteResult {
  enum class Error { None, ApplyFailed, Busy, InvalidSlot, NoKeyboard, SaveFailed };
  Error error = Error::None;
  QString message;  // why, for the caller to show
  bool Ok() const { return error == Error::None; }
  static RemoteResult Done() { return {}; }
  static RemoteResult Refused(Error error, QString message) { return {error, std::move(message)}; }
};
using RemoteReply = std::function<void(const RemoteResult&)>;

// What the service asks of the main window.
class CRemoteHost {
 public:
  virtual ~CRemoteHost() = default;
  virtual QList<RemoteProfile> RemoteProfiles() const = 0;
  // The slot of the current profile's button, 0 when it has none.
  virtual uint RemoteCurrentSlot() const = 0;
  // The folder of the profiles and macros, and whether the keyboard is the simulated one:
  // tastor-cli goes through the program only when it would work on the same.
  virtual QString RemoteUserDataFolder() const = 0;
  virtual bool RemoteSimulated() const = 0;
  // The requests; each reply is called once, on the UI thread, maybe before returning.
  virtual void RemoteSwitch(uint slot, RemoteReply reply) = 0;
  virtual void RemoteApply(RemoteReply reply) = 0;
  virtual void RemoteShow() = 0;
  virtual RemoteResult RemoteQuit() = 0;
};

class CDBusService : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.tastor.Tastor1")
  Q_PROPERTY(uint CurrentProfile READ CurrentProfile)
  Q_PROPERTY(QString UserDataFolder READ UserDataFolder)
  Q_PROPERTY(bool Simulated READ Simulated)

 public:
  static constexpr char kServiceName[] = "org.tastor.Tastor";
  static constexpr char kObjectPath[] = "/org/tastor/Tastor";
  static constexpr char kInterface[] = "org.tastor.Tastor1";
  // The error names: kErrorPrefix + "ApplyFailed", "Busy", "InvalidSlot", "NoKeyboard",
  // "SaveFailed".
  static constexpr char kErrorPrefix[] = "org.tastor.Tastor1.Error.";
  static QString ErrorName(RemoteResult::Error error);

  explicit CDBusService(CRemoteHost& host, QObject* parent = nullptr);
  ~CDBusService() override;

  // Offers the service on the session bus. Without a session bus, or when another
  // process owns the name, the program goes on without it; either is logged once.
  bool Register();
  // The same on a given connection (a private bus in the tests).
  bool Register(const QDBusConnection& connection);
  bool Registered() const { return registered_; }

  uint CurrentProfile() const;
  QString UserDataFolder() const;
  bool Simulated() const;

  // The host's current profile may have changed: signals ProfileChanged (and the
  // property's change) when its slot did.
  void NoteCurrentProfile();

  // The interface's methods (only the scriptable members are offered on the bus).
 public slots:
  Q_SCRIPTABLE QList<RemoteProfile> ListProfiles();
  // Selects the profile of the button and applies it; answered when the apply has ended.
  Q_SCRIPTABLE void SwitchProfile(uint slot);
  // Applies the current profile and saves the profiles, as the Apply button does (without
  // the progress dialog); answered when the apply has ended.
  Q_SCRIPTABLE void Apply();
  Q_SCRIPTABLE void Show();
  Q_SCRIPTABLE void Quit();

 signals:
  Q_SCRIPTABLE void ProfileChanged(uint slot);

 private:
  // Answers the call being handled later, with the result the host gives.
  RemoteReply DelayedReply();

  CRemoteHost& host_;
  QDBusConnection connection_{QString()};
  bool registered_ = false;
  uint lastSlot_ = 0;
};
