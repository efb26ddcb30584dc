// SPDX-License-Identifier: GPL-2.0-or-later
// The running program on a private session bus: its introspection is the installed
// interface file; SwitchProfile and tastor-cli switch make a profile current in the
// window, in curid.dct and in the keyboard; a request while a modal window is open is
// refused as Busy. Skipped, with its reason, without dbus-daemon.
#include "tests/gui/main_window_fixture.h"

#include "tests/core/test_model_support.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QProcess>
#include <QSignalSpy>
#include <QXmlStreamReader>
#include <map>
#include <set>

#include "model/device_matrix.h"
#include "model/profile_files.h"
#include "platform/special_folders.h"
#include "device/apply_setting.h"
#include "ui/dbus_service.h"
#include "ui/remote_control.h"

using namespace main_window_test;

namespace {

constexpr char kService[] = "org.tastor.Tastor";
constexpr char kPath[] = "/org/tastor/Tastor";
constexpr char kInterface[] = "org.tastor.Tastor1";

// A session bus of the test's own, ended with the object.
class PrivateBus {
 public:
  PrivateBus() {
    if (!OnPath("dbus-daemon")) return;
    daemon_.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!daemon_.waitForStarted(5000)) return;
    QElapsedTimer t;
    t.start();
    while (!daemon_.canReadLine() && t.elapsed() < 5000) daemon_.waitForReadyRead(100);
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
  }
  ~PrivateBus() {
    QDBusConnection::disconnectFromBus(QStringLiteral("tastor-test-client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("tastor-test-service"));
    QDBusConnection::disconnectFromBus(QStringLiteral("tastor-test-second"));
    if (daemon_.state() != QProcess::NotRunning) {
      daemon_.kill();
      daemon_.waitForFinished(5000);
    }
  }
  bool Up() const { return !address_.isEmpty(); }
  const QString& Address() const { return address_; }
  // A connection of this process to the bus, under its own name.
  QDBusConnection Connect(const char* name) const {
    return QDBusConnection::connectToBus(address_, QString::fromLatin1(name));
  }
  // Waits until someone owns the program's name (or not), pumping the events.
  bool WaitForOwner(QDBusConnection& bus, bool owned, int ms = 15000) const {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
      if (bus.interface()->isServiceRegistered(QString::fromLatin1(kService)).value() == owned) return true;
      Pump(20);
    }
    return false;
  }

 private:
  QProcess daemon_;
  QString address_;
};

QDBusMessage Method(const char* name, const QList<QVariant>& arguments = {}) {
  QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kInterface, QString::fromLatin1(name));
  m.setArguments(arguments);
  return m;
}

// A call answered while the test's events go on (the service may live in this process).
QDBusMessage CallAndWait(QDBusConnection& bus, const QDBusMessage& m, int ms = 10000) {
  QDBusPendingCall call = bus.asyncCall(m, ms);
  QElapsedTimer t;
  t.start();
  while (!call.isFinished() && t.elapsed() < ms) Pump(5);
  call.waitForFinished();
  return call.reply();
}

uint CurrentProfileOf(QDBusConnection& bus) {
  QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.DBus.Properties", "Get");
  get << QString::fromLatin1(kInterface) << QStringLiteral("CurrentProfile");
  const QDBusMessage reply = CallAndWait(bus, get);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return 1000;
  return reply.arguments().first().value<QDBusVariant>().variant().toUInt();
}

// The members of one interface of an introspection document: "method Name(in u, out s)",
// "signal Name(u)", "property Name u read".
std::set<std::string> Members(const QString& xml, const QString& interface) {
  std::set<std::string> members;
  QXmlStreamReader reader(xml);
  bool inside = false;
  std::string member;
  auto close = [&] {
    if (!member.empty()) members.insert(member + ")");
    member.clear();
  };
  while (!reader.atEnd()) {
    reader.readNext();
    const auto attribute = [&](const char* name) { return reader.attributes().value(QLatin1String(name)).toString().toStdString(); };
    if (reader.isStartElement() && reader.name() == QLatin1String("interface")) inside = attribute("name") == interface.toStdString();
    if (!inside) continue;
    if (reader.isStartElement() && (reader.name() == QLatin1String("method") || reader.name() == QLatin1String("signal"))) {
      member = reader.name().toString().toStdString() + " " + attribute("name") + "(";
    } else if (reader.isEndElement() && (reader.name() == QLatin1String("method") || reader.name() == QLatin1String("signal"))) {
      close();
    } else if (reader.isStartElement() && reader.name() == QLatin1String("arg")) {
      if (member.back() != '(') member += ", ";
      // A signal's arguments are all sent: whether "out" is written does not count.
      const std::string direction = member.rfind("signal", 0) == 0 ? "" : attribute("direction");
      member += (direction.empty() ? "" : direction + " ") + attribute("type");
    } else if (reader.isStartElement() && reader.name() == QLatin1String("property")) {
      members.insert("property " + attribute("name") + " " + attribute("type") + " " + attribute("access"));
    } else if (reader.isEndElement() && reader.name() == QLatin1String("interface")) {
      inside = false;
    }
  }
  return members;
}

// What the keyboard holds after a profile was applied to a fresh simulated keyboard.
std::string MatrixOf(const Profile& profile) {
  DeviceMatrix matrix{};
  MacroSet none;
  KEYINFO_2_Matrix(profile.keys, Settings().KeyTable, none, matrix);
  const auto bytes = MatrixBytes(matrix);
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
std::string LightingOf(const Profile& profile) {
  std::string led(kLedPayload, '\0');
  PatchLedPayload(profile, Settings(), reinterpret_cast<uint8_t*>(led.data()));
  return led;
}

uint32_t CurrentIdIn(const std::string& folder) {
  const std::string bytes = ReadFile(folder + "curid.dct");
  uint32_t id = 0;
  if (bytes.size() == 4) std::memcpy(&id, bytes.data(), 4);
  return id;
}

class BusTest : public MainWindowTest {
 protected:
  void SetUp() override {
    if (!bus_.Up()) GTEST_SKIP() << "needs dbus-daemon (scripts/setup.sh installs the package dbus)";
    MainWindowTest::SetUp();
  }
  // Three stored profiles that write different bytes: profile 2 and 3 with their own
  // lighting mode, profile 2 with F1 as L-Ctrl + C.
  std::vector<Profile> WriteProfiles() {
    ProfileStore store;
    for (uint32_t id : {0x111111u, 0x222222u, 0x333333u}) store.Append(MakeProfile(id, u"Mine", Settings()));
    store.FindById(0x222222)->ledMode = 4;
    store.FindById(0x222222)->keys[1] = Combination(MOD_LCTRL, 'C');
    store.FindById(0x333333)->ledMode = 5;
    store.SetCurrent(0x111111);
    EXPECT_EQ(1, SaveProfiles(store, user_.path()));
    EXPECT_EQ(1, SaveCurrentId(store, user_.path()));
    std::vector<Profile> profiles;
    for (const Profile* p : store.Profiles()) profiles.push_back(*p);
    return profiles;
  }
  PrivateBus bus_;
};

}  // namespace

TEST_F(BusTest, TheProgramSwitchesOnTheBusAndTastorCliGoesThroughIt) {
  const std::vector<Profile> profiles = WriteProfiles();
  ASSERT_NE(MatrixOf(profiles[1]), MatrixOf(profiles[0]));
  const std::string sim = user_.path() + "sim/";
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DBUS_SESSION_BUS_ADDRESS", bus_.Address());
  env.insert("TASTOR_SIM_DIR", QString::fromStdString(sim));
  program.setProcessEnvironment(env);
  program.start(QString::fromStdString(BinDir() + "tastor"), {"--simulate", "--user-dir", QString::fromStdString(user_.path())});
  QDBusConnection client = bus_.Connect("tastor-test-client");
  ASSERT_TRUE(bus_.WaitForOwner(client, true)) << program.readAllStandardError().toStdString();

  // What the program offers is what the installed interface file says.
  QDBusMessage introspect = QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.DBus.Introspectable", "Introspect");
  const QDBusMessage description = CallAndWait(client, introspect);
  ASSERT_EQ(QDBusMessage::ReplyMessage, description.type());
  const std::set<std::string> offered = Members(description.arguments().first().toString(), kInterface);
  const std::set<std::string> documented =
      Members(QString::fromStdString(ReadFile(SourceDir() + "packaging/org.tastor.Tastor1.xml")), kInterface);
  EXPECT_EQ(documented, offered);
  EXPECT_TRUE(documented.count("method SwitchProfile(in u)"));

  const QDBusMessage listed = CallAndWait(client, Method("ListProfiles"));
  ASSERT_EQ(QDBusMessage::ReplyMessage, listed.type()) << listed.errorMessage().toStdString();
  const auto buttons = qdbus_cast<QList<RemoteProfile>>(listed.arguments().first());
  ASSERT_EQ(3, buttons.size());
  EXPECT_EQ(2u, buttons[1].slot);
  EXPECT_EQ(QStringLiteral("Mine"), buttons[1].name);
  EXPECT_EQ(1u, CurrentProfileOf(client));

  const QDBusMessage switched = CallAndWait(client, Method("SwitchProfile", {QVariant::fromValue(2u)}));
  ASSERT_EQ(QDBusMessage::ReplyMessage, switched.type()) << switched.errorMessage().toStdString();
  EXPECT_EQ(2u, CurrentProfileOf(client));
  EXPECT_EQ(0x222222u, CurrentIdIn(user_.path()));
  EXPECT_EQ(MatrixOf(profiles[1]), ReadFile(sim + "report-09.bin"));
  EXPECT_EQ(LightingOf(profiles[1]), ReadFile(sim + "report-10.bin"));

  const QDBusMessage wrong = CallAndWait(client, Method("SwitchProfile", {QVariant::fromValue(4u)}));
  EXPECT_EQ("org.tastor.Tastor1.Error.InvalidSlot", wrong.errorName().toStdString());

  // tastor-cli finds the program and leaves the work to it.
  const RunResult cli = RunProgram({BinDir() + "tastor-cli", "--simulate", "--user-dir", user_.path(), "switch", "3"},
                                   {"DBUS_SESSION_BUS_ADDRESS=" + bus_.Address().toStdString(), "TASTOR_SIM_DIR=" + sim});
  EXPECT_EQ(0, cli.status) << cli.err;
  EXPECT_TRUE(Has(cli.out, "Profile 3 \"Mine\" applied to the keyboard through the running Tastor.\n")) << cli.out;
  EXPECT_EQ(3u, CurrentProfileOf(client));
  EXPECT_EQ(0x333333u, CurrentIdIn(user_.path()));
  EXPECT_EQ(LightingOf(profiles[2]), ReadFile(sim + "report-10.bin"));

  // Another user folder is not the program's: that one is worked on directly.
  TempDir other;
  const RunResult elsewhere = RunProgram(
      {BinDir() + "tastor-cli", "--simulate", "--user-dir", other.path(), "switch", "2"},
      {"DBUS_SESSION_BUS_ADDRESS=" + bus_.Address().toStdString(), "TASTOR_SIM_DIR=" + other.path() + "sim/",
       "TASTOR_SIM_NO_PAUSES=1"});
  EXPECT_EQ(0, elsewhere.status) << elsewhere.err;
  EXPECT_TRUE(Has(elsewhere.out, "The running Tastor uses the files of " + user_.path() + ": applying directly.\n"))
      << elsewhere.out;
  EXPECT_EQ(3u, CurrentProfileOf(client));

  const QDBusMessage quit = CallAndWait(client, Method("Quit"));
  EXPECT_EQ(QDBusMessage::ReplyMessage, quit.type());
  // The program may have ended while the reply was awaited (waitForFinished is false then).
  ASSERT_TRUE(program.state() == QProcess::NotRunning || program.waitForFinished(15000));
  EXPECT_EQ(0, program.exitCode());
  EXPECT_TRUE(bus_.WaitForOwner(client, false));

  // With the program gone, the command works directly and says so.
  const RunResult direct = RunProgram({BinDir() + "tastor-cli", "--simulate", "--user-dir", user_.path(), "switch", "1"},
                                      {"DBUS_SESSION_BUS_ADDRESS=" + bus_.Address().toStdString(), "TASTOR_SIM_DIR=" + sim,
                                       "TASTOR_SIM_NO_PAUSES=1"});
  EXPECT_EQ(0, direct.status) << direct.err;
  EXPECT_TRUE(Has(direct.out, "No Tastor runs on the session bus: applying directly.\n")) << direct.out;
  EXPECT_EQ(0x111111u, CurrentIdIn(user_.path()));
}

TEST_F(BusTest, TheWindowFollowsASwitchAndAModalWindowMakesTheProgramBusy) {
  WriteProfiles();
  TestMainWindow& w = Open();
  QDBusConnection service = bus_.Connect("tastor-test-service");
  ASSERT_NE(nullptr, w.BusService());
  ASSERT_TRUE(w.BusService()->Register(service));
  QDBusConnection client = bus_.Connect("tastor-test-client");
  ASSERT_TRUE(bus_.WaitForOwner(client, true));
  QSignalSpy changed(w.BusService(), &CDBusService::ProfileChanged);
  // A second owner of the name is not queued for: it goes without the service.
  CDBusService second(*w.Remote());
  EXPECT_FALSE(second.Register(bus_.Connect("tastor-test-second")));

  // A switch shows in the window as a click on the button would.
  QDBusMessage reply = CallAndWait(client, Method("SwitchProfile", {QVariant::fromValue(2u)}));
  ASSERT_EQ(QDBusMessage::ReplyMessage, reply.type()) << reply.errorMessage().toStdString();
  EXPECT_TRUE(w.ProfileButton(1).GetCheck());
  EXPECT_FALSE(w.ProfileButton(0).GetCheck());
  EXPECT_EQ(0x222222u, CurrentProfile().id);
  ASSERT_EQ(1, changed.count());
  EXPECT_EQ(2u, changed.at(0).at(0).toUInt());
  EXPECT_EQ(0x222222u, CurrentIdIn(user_.path()));
  WaitForRuns(1);
  ASSERT_EQ(1u, Runs().size());
  EXPECT_EQ(0x222222u, Runs()[0].profileId);
  EXPECT_EQ(7u, Runs()[0].flags);

  // Reset asks first: while its question is open, a request is refused and changes nothing.
  QDBusMessage whileOpen;
  QTimer ask;
  ask.setInterval(5);
  QObject::connect(&ask, &QTimer::timeout, [&] {
    auto* box = qobject_cast<CMsgDlg*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    ask.stop();
    whileOpen = CallAndWait(client, Method("SwitchProfile", {QVariant::fromValue(3u)}));
    QTest::mouseClick(&box->CancelButton(), Qt::LeftButton);
  });
  ask.start();
  QTest::mouseClick(&w.ResetButton(), Qt::LeftButton);  // returns when the question is answered
  EXPECT_EQ("org.tastor.Tastor1.Error.Busy", whileOpen.errorName().toStdString());
  EXPECT_TRUE(whileOpen.errorMessage().contains("close it first")) << whileOpen.errorMessage().toStdString();
  EXPECT_TRUE(w.ProfileButton(1).GetCheck());
  EXPECT_EQ(1u, Runs().size());
  EXPECT_EQ(0x222222u, CurrentIdIn(user_.path()));

  // Without the keyboard the program says so.
  w.Driver().ClearHandle();
  reply = CallAndWait(client, Method("Apply"));
  EXPECT_EQ("org.tastor.Tastor1.Error.NoKeyboard", reply.errorName().toStdString());
  EXPECT_EQ(1u, Runs().size());
}
