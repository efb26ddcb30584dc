// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-udev-probe and the rule that runs it: the verdict udev imports for a hidraw node,
// read from a sysfs tree made in a temporary folder with the simulated keyboard's real
// report descriptors and the frozen hostile descriptors of tests/fixtures/descriptors/.
// Only the vendor interfaces and the consumer control are given to the user; the typing
// interface, every node that can deliver keys, nodes of other kinds and nodes whose
// descriptor cannot be read whole are not. tastor-cli udev-rule names only a probe that
// only root can change, and --install puts one there (the tests run as root).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "libs/hidport/node_access.h"
#include "libs/hidport/sysfs.h"
#include "libs/simkeyboard/sim_keyboard.h"
#include "tests/support/test_support.h"

namespace {

// A sysfs tree with one hidraw node per descriptor: class/hidraw/hidrawN/device/report_descriptor.
class FakeSysfs {
 public:
  std::string Add(const std::vector<uint8_t>& descriptor) {
    const std::string node = "hidraw" + std::to_string(count_++);
    dir_.Write("class/hidraw/" + node + "/device/report_descriptor",
               std::string(descriptor.begin(), descriptor.end()));
    return node;
  }
  std::string Root() const { return dir_.path(); }

 private:
  TempDir dir_;
  int count_ = 0;
};

RunResult Probe(const FakeSysfs& sys, const std::string& node) {
  return RunProgram({BinDir() + "tastor-udev-probe", "--sys-root", sys.Root(), node});
}

std::string Verdict(const std::string& role, int access) {
  return "TASTOR_HID_ROLE=" + role + "\nTASTOR_HID_ACCESS=" + std::to_string(access) + "\n";
}

TEST(UdevProbe, GrantsOnlyTheInterfacesTheProgramOpens) {
  FakeSysfs sys;
  for (const simkeyboard::Interface& i : simkeyboard::Interfaces(true)) {
    const std::string node = sys.Add(i.descriptor);
    const RunResult r = Probe(sys, "/dev/" + node);  // udev gives %k; a device path works too
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Verdict(i.usagePage == 0xFF00 ? "vendor" : "consumer", 1)) << i.role;
  }
  const std::string typing = sys.Add(simkeyboard::TypingInterface().descriptor);
  const RunResult t = Probe(sys, typing);
  EXPECT_EQ(t.status, 0);
  EXPECT_EQ(t.out, Verdict("typing", 0));
  EXPECT_TRUE(Has(t.err, "keyboard collection")) << t.err;
}

TEST(UdevProbe, RefusesMixedOtherAndUnreadableNodes) {
  FakeSysfs sys;
  // A node that carries a vendor collection beside the typing one stays root-only.
  std::vector<uint8_t> mixed = simkeyboard::Interfaces(false).front().descriptor;
  const auto typing = simkeyboard::TypingInterface().descriptor;
  mixed.insert(mixed.end(), typing.begin(), typing.end());
  EXPECT_EQ(Probe(sys, sys.Add(mixed)).out, Verdict("typing", 0));
  // A keypad, a mouse, nothing at all.
  EXPECT_EQ(Probe(sys, sys.Add({0x05, 0x01, 0x09, 0x07, 0xA1, 0x01, 0xC0})).out, Verdict("typing", 0));
  EXPECT_EQ(Probe(sys, sys.Add({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0})).out, Verdict("other", 0));
  EXPECT_EQ(Probe(sys, sys.Add({})).out, Verdict("unreadable", 0));
  // A vendor descriptor cut short, or with a report id of 0, is not read whole.
  std::vector<uint8_t> cut = simkeyboard::Interfaces(false).front().descriptor;
  cut.resize(cut.size() - 3);
  EXPECT_EQ(Probe(sys, sys.Add(cut)).out, Verdict("unreadable", 0));
  EXPECT_EQ(Probe(sys, sys.Add({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x00, 0xC0})).out,
            Verdict("unreadable", 0));
  // A node sysfs does not know.
  const RunResult missing = Probe(sys, "hidraw99");
  EXPECT_EQ(missing.status, 0);
  EXPECT_EQ(missing.out, Verdict("unreadable", 0));
  EXPECT_TRUE(Has(missing.err, "cannot be read")) << missing.err;
  // A name that tries to leave the hidraw class folder is no node.
  EXPECT_EQ(Probe(sys, "..").out, Verdict("unreadable", 0));
  // Wrong arguments.
  EXPECT_EQ(RunProgram({BinDir() + "tastor-udev-probe"}).status, 2);
  EXPECT_EQ(RunProgram({BinDir() + "tastor-udev-probe", "--bogus", "hidraw0"}).status, 2);
}

// Vendor or consumer collections that also deliver keys: nested keyboards, key-code input
// fields, extended usages, pages hidden behind Push and Pop, and a keyboard behind the
// kernel's 4096 bytes. Each was granted by a probe that looked only at top-level usages.
TEST(UdevProbe, RefusesEveryNodeThatCanDeliverKeys) {
  const std::string fixtures = SourceDir() + "tests/fixtures/descriptors/";
  FakeSysfs sys;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(fixtures)) {
    if (entry.path().extension() != ".bin") continue;
    ++count;
    const RunResult r = RunProgram({BinDir() + "tastor-udev-probe", "--descriptor", entry.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string expected = entry.path().filename() == "long-tail-keyboard.bin" ? "unreadable" : "typing";
    EXPECT_EQ(r.out, Verdict(expected, 0)) << entry.path() << "\n" << r.err;
    // The same bytes read from sysfs.
    const std::string bytes = ReadFile(entry.path());
    EXPECT_EQ(Probe(sys, sys.Add({bytes.begin(), bytes.end()})).out, Verdict(expected, 0)) << entry.path();
  }
  EXPECT_EQ(count, 7);
  const RunResult tail = RunProgram({BinDir() + "tastor-udev-probe", "--descriptor", fixtures + "long-tail-keyboard.bin"});
  EXPECT_TRUE(Has(tail.err, "longer than 4096 bytes")) << tail.err;

  // Input fields of other pages are no interface of the program either (system control
  // beside consumer control), and neither is a vendor collection that is not an
  // application collection; vendor-page input is.
  EXPECT_EQ(Probe(sys, sys.Add({0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x05, 0x01, 0x19, 0x81, 0x29, 0x83, 0x75, 0x01,
                                0x95, 0x03, 0x81, 0x02, 0xC0}))
                .out,
            Verdict("other", 0));
  EXPECT_EQ(Probe(sys, sys.Add({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x02, 0x75, 0x08, 0x95, 0x04, 0xB1, 0x02, 0xC0})).out,
            Verdict("other", 0));
  EXPECT_EQ(Probe(sys, sys.Add({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x06, 0x01, 0xFF, 0x09, 0x02, 0x75, 0x08,
                                0x95, 0x04, 0x81, 0x02, 0xC0}))
                .out,
            Verdict("vendor", 1));
}

// The nodes tastor-cli devices judges: every hidraw node whose HID device carries the ids,
// on any bus, in number order.
TEST(UdevProbe, FindsEveryHidrawNodeOfTheKeyboard) {
  TempDir sys;
  const std::pair<const char*, const char*> nodes[] = {
      {"hidraw10", "0003:2F68:0A17.0001"}, {"hidraw2", "0005:2F68:0A17.0002"}, {"hidraw3", "0003:2F68:0A170.0003"},
      {"hidraw4", "0003:1234:0A17.0004"}};
  for (const auto& [node, device] : nodes) {
    sys.Write(std::string("devices/") + device + "/report_descriptor", "");
    sys.Write(std::string("class/hidraw/") + node + "/uevent", "");
    const std::string link = sys.path() + "class/hidraw/" + node + "/device";
    ASSERT_EQ(0, ::symlink((std::string("../../../devices/") + device).c_str(), link.c_str()));
  }
  EXPECT_EQ(hidport::HidrawNodesOf(sys.path(), 0x2F68, 0x0A17), (std::vector<std::string>{"hidraw2", "hidraw10"}));
  EXPECT_TRUE(hidport::HidrawNodesOf(sys.path() + "missing", 0x2F68, 0x0A17).empty());
}

TEST(UdevProbe, ReadsADescriptorSavedToAFile) {
  TempDir dir;
  const std::vector<uint8_t> consumer = simkeyboard::Interfaces(true).back().descriptor;
  const std::string file = dir.Write("consumer.bin", std::string(consumer.begin(), consumer.end()));
  const RunResult r = RunProgram({BinDir() + "tastor-udev-probe", "--descriptor", file});
  EXPECT_EQ(r.out, Verdict("consumer", 1));
}

constexpr uid_t kNobody = 65534;

RunResult UdevRule(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {BinDir() + "tastor-cli", "udev-rule"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv);
}

// A copy of the built probe at dir/relative (folders made 0755), returned with its path.
std::string CopyProbe(const TempDir& dir, const std::string& relative) {
  const std::string path = dir.Write(relative, ReadFile(BinDir() + "tastor-udev-probe"));
  ::chmod(path.c_str(), 0755);
  return path;
}

// The non-comment lines of a printed rule.
std::vector<std::string> RuleLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    if (!line.empty() && line[0] != '#') lines.push_back(line);
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

}  // namespace

TEST(UdevRule, NamesAProbeThatOnlyRootCanChange) {
  TempDir dir;  // root-owned, in root-owned folders or under the sticky /tmp
  const std::string probe = CopyProbe(dir, "lib/tastor-udev-probe");
  const RunResult r = UdevRule({"--probe", probe});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string device = "SUBSYSTEM==\"hidraw\", KERNELS==\"????:2F68:0A17.*\", ";
  // Every rule line; none grants without the probe's verdict, none sets a file mode.
  EXPECT_EQ(RuleLines(r.out), (std::vector<std::string>{
                                  "ACTION==\"remove\", GOTO=\"tastor_end\"",
                                  device + "IMPORT{program}=\"" + probe + " %k\"",
                                  device + "ENV{TASTOR_HID_ACCESS}==\"1\", TAG+=\"uaccess\"",
                                  "LABEL=\"tastor_end\"",
                              }));
  EXPECT_TRUE(Has(r.out, "sudo tastor-cli udev-rule --install"));
  EXPECT_FALSE(Has(r.out, ";"));  // a rule file taken apart as a CMake list once broke there

  // Through a link the rule names the real path, which is what was checked.
  const std::string link = dir.path() + "probe-link";
  ASSERT_EQ(0, ::symlink(probe.c_str(), link.c_str()));
  EXPECT_TRUE(Has(UdevRule({"--probe", link}).out, "IMPORT{program}=\"" + probe + " %k\""));

  // Another keyboard in cfg.ini gives its own match.
  TempDir program;
  program.Write("cfg.ini", "[OPT]\nVID=4660\nPID=22136\n");
  const RunResult other = RunProgram({BinDir() + "tastor-cli", "--program-dir", program.path(), "udev-rule", "--probe", probe});
  EXPECT_TRUE(Has(other.out, "KERNELS==\"????:1234:5678.*\", IMPORT{program}")) << other.out << other.err;
  // The build names the probe where the installation will put it, unchecked.
  EXPECT_TRUE(Has(UdevRule({"--installed-probe", "/usr/lib/tastor/tastor-udev-probe"}).out,
                  "IMPORT{program}=\"/usr/lib/tastor/tastor-udev-probe %k\""));
}

TEST(UdevRule, RefusesAProbeThatOthersCouldReplace) {
  TempDir dir;
  const auto expectRefused = [](const std::string& probe, const std::string& why) {
    const RunResult r = UdevRule({"--probe", probe});
    EXPECT_EQ(r.status, 1) << probe;
    EXPECT_EQ(r.out, "") << probe;  // nothing that could be piped into a rule file
    EXPECT_TRUE(Has(r.err, why)) << r.err;
    EXPECT_TRUE(Has(r.err, "sudo tastor-cli udev-rule --install")) << r.err;
  };
  const std::string open = CopyProbe(dir, "open/tastor-udev-probe");
  ::chmod((dir.path() + "open").c_str(), 0777);
  expectRefused(open, dir.path() + "open can be written by every user");
  const std::string shared = CopyProbe(dir, "shared/tastor-udev-probe");
  ::chmod((dir.path() + "shared").c_str(), 0775);
  expectRefused(shared, dir.path() + "shared can be written by the group");
  const std::string foreign = CopyProbe(dir, "user/bin/tastor-udev-probe");
  ASSERT_EQ(0, ::chown((dir.path() + "user").c_str(), kNobody, kNobody));
  expectRefused(foreign, dir.path() + "user is owned by nobody");
  const std::string owned = CopyProbe(dir, "mine/tastor-udev-probe");
  ASSERT_EQ(0, ::chown(owned.c_str(), kNobody, kNobody));
  expectRefused(owned, owned + " is owned by nobody");
  // A link in a root-only folder to a probe others can change is judged by its target.
  const std::string link = dir.path() + "probe-link";
  ASSERT_EQ(0, ::symlink(open.c_str(), link.c_str()));
  expectRefused(link, dir.path() + "open can be written by every user");
  expectRefused(dir.path() + "missing", "No such file");
  // Paths udev would split or expand, and wrong options, are refused input.
  for (const char* bad : {"relative/probe", "/opt/my tastor/probe", "/opt/%k/probe"}) {
    const RunResult refused = UdevRule({"--probe", bad});
    EXPECT_EQ(refused.status, 2) << bad;
    EXPECT_TRUE(Has(refused.err, bad)) << refused.err;
  }
  EXPECT_EQ(UdevRule({"--prefix", dir.path()}).status, 2);  // only with --install
  EXPECT_EQ(UdevRule({"--bogus"}).status, 2);
}

TEST(UdevRule, InstallCopiesTheProbeIntoARootOnlyFolderAndWritesTheRule) {
  TempDir build;
  TempDir system;
  const std::string source = CopyProbe(build, "bin/tastor-udev-probe");
  ASSERT_EQ(0, ::chown((build.path() + "bin").c_str(), kNobody, kNobody));  // a user's build folder
  const std::string prefix = system.path() + "usr/local";
  const std::string rules = system.path() + "etc/udev/rules.d";
  const std::vector<std::string> install = {"--install", "--probe", source, "--prefix", prefix, "--rules-dir", rules};
  for (int run = 0; run < 2; ++run) {  // the second run replaces what the first put there
    const RunResult r = UdevRule(install);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "udev")) << r.out;  // whether udev reloaded its rules, or why not
  }
  const std::string copy = prefix + "/lib/tastor/tastor-udev-probe";
  EXPECT_EQ(ReadFile(copy), ReadFile(source));
  EXPECT_EQ(ModeOf(copy), 0755u);
  EXPECT_EQ(ModeOf(prefix + "/lib/tastor"), 0755u);
  EXPECT_EQ(ModeOf(rules + "/70-tastor.rules"), 0644u);
  const std::string rule = ReadFile(rules + "/70-tastor.rules");
  EXPECT_EQ(rule, UdevRule({"--probe", copy}).out);  // the printed rule for the copy, which passes the check
  EXPECT_TRUE(Has(rule, "IMPORT{program}=\"" + copy + " %k\""));
  // Nothing half-written is left beside them.
  for (const std::string& folder : {prefix + "/lib/tastor", rules}) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    }
  }
  // The copy runs as the probe.
  TempDir descriptor;
  const auto typing = simkeyboard::TypingInterface().descriptor;
  EXPECT_EQ(RunProgram({copy, "--descriptor", descriptor.Write("t.bin", std::string(typing.begin(), typing.end()))}).out,
            Verdict("typing", 0));
}

TEST(UdevRule, InstallRefusesUnsafeSourcesAndFolders) {
  TempDir dir;
  const std::string source = CopyProbe(dir, "bin/tastor-udev-probe");
  const auto run = [&](const std::string& probe, const std::string& prefix) {
    return UdevRule({"--install", "--probe", probe, "--prefix", prefix, "--rules-dir", dir.path() + "rules"});
  };
  // A link, a second name of another file, and a file that is no program are not copied.
  const std::string link = dir.path() + "link";
  ASSERT_EQ(0, ::symlink(source.c_str(), link.c_str()));
  RunResult r = run(link, dir.path() + "p1");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "not a regular file")) << r.err;
  const std::string second = dir.path() + "second";
  ASSERT_EQ(0, ::link(source.c_str(), second.c_str()));
  r = run(second, dir.path() + "p2");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "hard links")) << r.err;
  ASSERT_EQ(0, ::unlink(second.c_str()));
  r = run(dir.Write("script", "#!/bin/sh\necho TASTOR_HID_ACCESS=1\n"), dir.path() + "p3");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "not a program")) << r.err;
  // A destination that others can change is refused before anything is put in it.
  const std::string open = dir.path() + "open";
  ASSERT_EQ(0, ::mkdir(open.c_str(), 0777));
  ASSERT_EQ(0, ::chmod(open.c_str(), 0777));
  r = run(source, open + "/usr");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, open + " can be written by every user")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(open + "/usr"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "rules/70-tastor.rules"));
  // Only root installs.
  if (OnPath("setpriv")) {
    r = RunProgram({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", BinDir() + "tastor-cli",
                    "udev-rule", "--install", "--prefix", dir.path() + "p4"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "must run as root")) << r.err;
  }
}
