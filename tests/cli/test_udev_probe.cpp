// tastor-udev-probe: the verdict udev imports for a hidraw node, read from a sysfs tree
// made in a temporary folder with the simulated keyboard's real report descriptors and the
// frozen hostile descriptors of tests/fixtures/descriptors/. Only the vendor interfaces and
// the consumer control are given to the user; the typing interface, every node that can
// deliver keys, nodes of other kinds and nodes whose descriptor cannot be read whole are not.
#include <gtest/gtest.h>

#include <filesystem>

#include "libs/hidport/node_access.h"
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

TEST(UdevProbe, ReadsADescriptorSavedToAFile) {
  TempDir dir;
  const std::vector<uint8_t> consumer = simkeyboard::Interfaces(true).back().descriptor;
  const std::string file = dir.Write("consumer.bin", std::string(consumer.begin(), consumer.end()));
  const RunResult r = RunProgram({BinDir() + "tastor-udev-probe", "--descriptor", file});
  EXPECT_EQ(r.out, Verdict("consumer", 1));
}

}  // namespace
