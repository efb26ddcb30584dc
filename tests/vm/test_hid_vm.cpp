// SPDX-License-Identifier: GPL-2.0-or-later
// The real HID path end to end: a small Linux guest under QEMU runs the virtual keyboard on
// uhid, and tastor-cli with the real HidPort library finds it, reads its report descriptors
// from sysfs and applies a profile through hidraw. The report files the keyboard keeps must
// equal those the same apply leaves in the simulated keyboard. A second run as a user
// without access to the root-only hidraw nodes must get the permission message; with the
// nodes the udev rule grants (the probe's verdict on each node, the rule and a root-only
// probe put in place by "udev-rule --install"), the same user applies, the node that
// carries the typing stays closed to that user, and devices names it with the reason.
//
// Skipped (with the reason) when QEMU or the test kernel (scripts/fetch-vm-kernel.sh) is
// missing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <regex>
#include <string>

#include "base/settings.h"
#include "base/window_port.h"
#include "macro/macro_record.h"
#include "model/profile.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "tests/support/test_support.h"

namespace {

std::string KernelCache() { return SourceDir() + ".cache/vm/"; }

// What the guest printed between "@@BEGIN name" and "@@END name", its exit status, and
// the report files it dumped in hexadecimal.
struct GuestRun {
  std::map<std::string, std::string> sections;
  std::map<std::string, int> status;
  std::map<std::string, std::string> files;
};

std::string FromHex(const std::string& hex) {
  std::string bytes;
  int high = -1;
  for (const char c : hex) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else continue;
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<char>(high * 16 + v));
      high = -1;
    }
  }
  return bytes;
}

GuestRun ParseConsole(const std::string& console) {
  GuestRun run;
  std::string text;
  for (const char c : console) {
    if (c != '\r') text.push_back(c);
  }
  const std::regex section("@@BEGIN ([a-z-]+)\n([\\s\\S]*?)@@STATUS ([0-9]+)\n");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), section); it != std::sregex_iterator(); ++it) {
    run.sections[(*it)[1]] = (*it)[2];
    run.status[(*it)[1]] = std::stoi((*it)[3]);
  }
  const std::regex file("@@FILE ([a-z0-9.-]+)\n([0-9a-f\n]*)@@ENDFILE\n");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), file); it != std::sregex_iterator(); ++it) {
    run.files[(*it)[1]] = FromHex((*it)[2]);
  }
  return run;
}

MacroRecord Macro(uint32_t id, const char16_t* name, std::initializer_list<uint16_t> keys, uint32_t repeatMode,
                  uint16_t loops) {
  MacroRecord m = MakeDefaultMacro(id, name);
  m.dwRepeatMode = repeatMode;
  m.wLoopCount = loops;
  int i = 0;
  for (const uint16_t key : keys) {
    m.Events[i++] = MacroEvent{key, 1, 30};
    m.Events[i++] = MacroEvent{key, 0, 20};
  }
  return m;
}

// A user folder whose current profile writes all four reports: the game lighting mode with
// a user-defined colour group, a key combination, a media key and three macro keys of
// which two share one macro.
void PrepareUserFolder(const std::string& folder, const AppSettings& settings) {
  ::mkdir(folder.c_str(), 0755);
  ::mkdir((folder + "Mac").c_str(), 0755);
  const MacroRecord burst = Macro(0x100001, u"Burst", {'Q', 'W', 'E'}, MACRO_REPEAT_COUNT, 3);
  const MacroRecord hold = Macro(0x100002, u"Hold", {0xA0, 'R'}, MACRO_REPEAT_SECOND, 1);
  for (const MacroRecord& m : {burst, hold}) {
    const auto image = MacroFileImage(m);
    WriteFile(folder + "Mac/" + (m.dwMacroId == burst.dwMacroId ? "Burst.mck" : "Hold.mck"),
              std::string(reinterpret_cast<const char*>(image.data()), image.size()));
  }

  ProfileStore store;
  Profile p = MakeProfile(0x200001, u"Arena", settings);
  const auto key = [&](uint8_t vk) -> KeyFunction& {
    const int position = MatrixPositionOfVirtualKey(settings.KeyTable, vk);
    for (KeyFunction& k : p.keys) {
      if (k.matrixPos == position && k.code != 0) return k;
    }
    ADD_FAILURE() << "no key for " << int(vk);
    return p.keys[0];
  };
  KeyFunction& a = key('A');
  a.code = KeyFunction::MakeCode(KIND_MACRO, 0);
  a.macroId = static_cast<int32_t>(burst.dwMacroId);
  KeyFunction& s = key('S');
  s.code = KeyFunction::MakeCode(KIND_MACRO, 0);
  s.macroId = static_cast<int32_t>(hold.dwMacroId);
  KeyFunction& d = key('D');
  d.code = KeyFunction::MakeCode(KIND_MACRO, 0);
  d.macroId = static_cast<int32_t>(burst.dwMacroId);
  KeyFunction& f1 = key(0x70);
  f1.code = KeyFunction::MakeCode(KIND_APP, 34);  // play/pause
  KeyFunction& esc = key(0x1B);
  esc.modifiers = MOD_LCTRL | MOD_LSHIFT;
  esc.key1 = 'Z';
  p.ledMode = settings.GaoshouIndex;
  p.colourGroup = static_cast<uint16_t>(settings.ColorCustomIndex + 1);
  for (int i = 0; i < kKeyCount; i += 3) p.colours[p.colourGroup][static_cast<std::size_t>(i)] = RGB(255, 140, 0);
  store.Append(p);
  store.Append(MakeProfile(0x200002, u"Office", settings));
  store.Append(MakeProfile(0x200003, u"Night", settings));
  store.SetCurrent(0x200001);
  ASSERT_EQ(1, SaveProfiles(store, folder));
  ASSERT_EQ(1, SaveCurrentId(store, folder));
}

constexpr char kInit[] = R"INIT(#!/bin/sh
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
insmod /lib/modules/hid.ko && insmod /lib/modules/hid-generic.ko && insmod /lib/modules/uhid.ko
/opt/tastor/tastor-vkbd --vid 2F68 --pid 0A17 --dir /kbd --typing > /tmp/vkbd.log 2>&1 &
i=0
while [ $i -lt 100 ] && [ $(ls /dev/hidraw* 2>/dev/null | wc -l) -lt 6 ]; do sleep 0.1; i=$((i+1)); done
cli="/opt/tastor/tastor-cli --program-dir /opt/tastor"
echo "@@BEGIN devices"; $cli --user-dir /user devices --json 2>&1; echo "@@STATUS $?"
echo "@@BEGIN apply"; $cli --user-dir /user apply 2>&1; echo "@@STATUS $?"
for f in /kbd/report-*.bin; do echo "@@FILE ${f##*/}"; xxd -p "$f"; echo "@@ENDFILE"; done
echo "@@BEGIN user-devices"; su -s /bin/sh -c "$cli --user-dir /tmp/user devices 2>&1" tastor; echo "@@STATUS $?"
echo "@@BEGIN user-apply"; su -s /bin/sh -c "$cli --user-dir /tmp/user apply 2>&1" tastor; echo "@@STATUS $?"
# A probe in the user's own folder is never named in a rule: the user could replace it.
cp /opt/tastor/tastor-udev-probe /home/tastor/probe && chown tastor /home/tastor/probe
echo "@@BEGIN user-probe"; $cli udev-rule --probe /home/tastor/probe >/tmp/up.out 2>/tmp/up.err; s=$?
echo "stdout:[$(cat /tmp/up.out)]"; cat /tmp/up.err; echo "@@STATUS $s"
# The installed udev rule acted on as udev would: the KERNELS pattern of the node's HID
# device, the probe's verdict imported, and uaccess given to the user at the seat as ownership.
echo "@@BEGIN install"; $cli udev-rule --install --probe /opt/tastor/tastor-udev-probe 2>&1; echo "@@STATUS $?"
pattern=$(sed -n 's/.*KERNELS=="\([^"]*\)", IMPORT.*/\1/p' /etc/udev/rules.d/70-tastor.rules)
probe=$(sed -n 's/.*IMPORT{program}="\([^ ]*\) %k".*/\1/p' /etc/udev/rules.d/70-tastor.rules)
echo "@@BEGIN probe-path"; echo "$probe"; ls -l "$probe"; echo "@@STATUS 0"
echo "@@BEGIN rule"
for n in /sys/class/hidraw/hidraw*; do
  k=${n##*/}; dev=$(basename "$(readlink -f "$n/device")")
  case "$dev" in
    $pattern) TASTOR_HID_ACCESS=; TASTOR_HID_ROLE=; eval "$($probe "$k" 2>/dev/null)"
      if [ "$TASTOR_HID_ACCESS" = 1 ]; then chown tastor "/dev/$k"; echo "$k granted $TASTOR_HID_ROLE"; else echo "$k root-only $TASTOR_HID_ROLE"; fi;;
    *) echo "$k unmatched $dev";;
  esac
done
echo "@@STATUS 0"
echo "@@BEGIN rule-access"
for n in /sys/class/hidraw/hidraw*; do k=${n##*/}; su -s /bin/sh -c "test -r /dev/$k && echo $k readable || echo $k denied" tastor; done
echo "@@STATUS 0"
echo "@@BEGIN rule-apply"; su -s /bin/sh -c "$cli --user-dir /tmp/user2 apply 2>&1" tastor; echo "@@STATUS $?"
echo "@@BEGIN rule-devices"; su -s /bin/sh -c "$cli --user-dir /tmp/user2 devices 2>&1" tastor; echo "@@STATUS $?"
echo "@@BEGIN vkbd"; cat /tmp/vkbd.log; echo "@@STATUS 0"
poweroff -f
)INIT";

TEST(HidVirtualMachine, RealHidPortAppliesToTheVirtualKeyboardAsToTheSimulator) {
  if (!OnPath("qemu-system-x86_64")) GTEST_SKIP() << "qemu-system-x86_64 is not installed (scripts/setup.sh installs it)";
  struct stat st {};
  if (::stat((KernelCache() + "vmlinuz").c_str(), &st) != 0 || ::stat((KernelCache() + "modules/uhid.ko").c_str(), &st) != 0) {
    GTEST_SKIP() << "the test kernel is missing from " << KernelCache() << " (scripts/fetch-vm-kernel.sh fetches it)";
  }
  if (::stat((BinDir() + "tastor-vkbd").c_str(), &st) != 0) GTEST_SKIP() << "tastor-vkbd was not built (no linux/uhid.h)";

  TempDir work;
  RecordingWindowPort port;  // no settings messages expected; keeps them off the console
  AppSettings settings;
  LoadSettings(BinDir(), settings);
  PrepareUserFolder(work.path() + "sim-user/", settings);
  PrepareUserFolder(work.path() + "guest-user/", settings);

  // The bytes the simulated keyboard keeps after this apply.
  const RunResult simulated = RunProgram(
      {BinDir() + "tastor-cli", "--simulate", "--program-dir", BinDir(), "--user-dir", work.path() + "sim-user", "apply"},
      {"TASTOR_SIM_DIR=" + work.path() + "expected", "TASTOR_SIM_NO_PAUSES=1"});
  ASSERT_EQ(0, simulated.status) << simulated.out << simulated.err;

  // The guest.
  WriteFile(work.path() + "init", kInit);
  const RunResult built = RunProgram({SourceDir() + "tools/vm/build-guest.sh", KernelCache(), work.path() + "guest.cpio.gz",
                                      work.path() + "init", BinDir() + "tastor-cli:/opt/tastor/tastor-cli",
                                      BinDir() + "libHidPort.so:/opt/tastor/libHidPort.so",
                                      BinDir() + "tastor-vkbd:/opt/tastor/tastor-vkbd",
                                      BinDir() + "tastor-udev-probe:/opt/tastor/tastor-udev-probe",
                                      BinDir() + "cfg.ini:/opt/tastor/cfg.ini", BinDir() + "text.xml:/opt/tastor/text.xml",
                                      work.path() + "guest-user:/user"});
  ASSERT_EQ(0, built.status) << built.err;
  const RunResult guest = RunProgram({"/usr/bin/timeout", "180", "qemu-system-x86_64", "-accel", "tcg", "-m", "512",
                                      "-nographic", "-no-reboot", "-kernel", KernelCache() + "vmlinuz", "-initrd",
                                      work.path() + "guest.cpio.gz", "-append", "console=ttyS0 quiet panic=-1"});
  ASSERT_EQ(0, guest.status) << "QEMU did not power off in time:\n" << guest.out << guest.err;
  const GuestRun run = ParseConsole(guest.out);
  ASSERT_EQ(1u, run.sections.count("devices")) << guest.out;

  // The keyboard is found through hidraw with the lengths HidPort's parser read from sysfs.
  ASSERT_EQ(0, run.status.at("devices")) << run.sections.at("devices");
  const std::string devicesText = run.sections.at("devices");
  const QJsonObject devices =
      QJsonDocument::fromJson(QByteArray::fromStdString(devicesText.substr(devicesText.find('{')))).object();
  EXPECT_FALSE(devices["simulated"].toBool());
  EXPECT_EQ(1, devices["count"].toInt());
  std::vector<std::pair<int, int>> lengths;
  for (const auto& keyboard : devices["keyboards"].toArray()) {
    for (const auto& i : keyboard.toObject()["interfaces"].toArray()) {
      lengths.emplace_back(i.toObject()["featureLength"].toInt(), i.toObject()["inputLength"].toInt());
    }
  }
  EXPECT_EQ((std::vector<std::pair<int, int>>{{505, 0}, {42, 0}, {127, 0}, {1921, 0}, {0, 3}}), lengths) << devicesText;

  // The apply through the real library leaves the keyboard with the simulator's bytes.
  ASSERT_EQ(0, run.status.at("apply")) << run.sections.at("apply") << run.sections.at("vkbd");
  for (const char* name : {"report-09.bin", "report-10.bin", "report-11.bin", "report-12.bin"}) {
    const std::string expected = ReadFile(work.path() + "expected/" + name);
    ASSERT_FALSE(expected.empty()) << name << " was not written by the simulated apply";
    ASSERT_EQ(1u, run.files.count(name)) << name << " missing in the guest\n" << guest.out;
    EXPECT_EQ(expected, run.files.at(name)) << name << " differs from the simulated keyboard's";
  }

  // Without access to the hidraw nodes the user is told why, and pointed to the udev rule.
  EXPECT_EQ(1, run.status.at("user-devices"));
  EXPECT_NE(std::string::npos, run.sections.at("user-devices").find("no permission")) << run.sections.at("user-devices");
  EXPECT_NE(std::string::npos, run.sections.at("user-devices").find("tastor-cli udev-rule"));
  EXPECT_EQ(1, run.status.at("user-apply"));
  EXPECT_NE(std::string::npos, run.sections.at("user-apply").find("tastor-cli udev-rule"));

  // A probe the user owns is refused: nothing printed, exit 1, and the way to install it.
  const std::string userProbe = run.sections.at("user-probe");
  EXPECT_EQ(1, run.status.at("user-probe")) << userProbe;
  EXPECT_TRUE(Has(userProbe, "stdout:[]\n")) << userProbe;
  EXPECT_TRUE(Has(userProbe, "/home/tastor is owned by")) << userProbe;
  // udev-rule --install put a root-only copy in /usr/local/lib/tastor/ and named it.
  EXPECT_EQ(0, run.status.at("install")) << run.sections.at("install");
  EXPECT_TRUE(Has(run.sections.at("probe-path"), "/usr/local/lib/tastor/tastor-udev-probe\n-rwxr-xr-x"))
      << run.sections.at("probe-path");

  // The narrowed rule: the four vendor nodes and the consumer control are the user's, the
  // typing node matches the keyboard but stays root-only, and the user can apply.
  ASSERT_EQ(1u, run.sections.count("rule")) << guest.out;
  const std::string rule = run.sections.at("rule");
  const auto count = [&](const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(4u, count(rule, "granted vendor")) << rule;
  EXPECT_EQ(1u, count(rule, "granted consumer")) << rule;
  EXPECT_EQ(1u, count(rule, "root-only typing")) << rule;
  EXPECT_EQ(0u, count(rule, "unmatched")) << rule;
  const std::string access = run.sections.at("rule-access");
  EXPECT_EQ(5u, count(access, "readable")) << access;
  EXPECT_EQ(1u, count(access, "denied")) << access;
  EXPECT_EQ(0, run.status.at("rule-apply")) << run.sections.at("rule-apply");
  // devices names the node kept from the user and why.
  const std::string nodes = run.sections.at("rule-devices");
  EXPECT_EQ(0, run.status.at("rule-devices")) << nodes;
  EXPECT_TRUE(std::regex_search(nodes, std::regex("/dev/hidraw[0-9]+ +typing +may not be opened by this user: "
                                                  "carries a keyboard collection")))
      << nodes;
  EXPECT_EQ(5u, count(nodes, "opens for this user")) << nodes;
}

}  // namespace
