// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-udev-probe: the verdict udev imports for a hidraw node, read from a sysfs tree
// made in a temporary folder with the simulated keyboard's real report descriptors. Only
// the vendor interfaces and the consumer control are given to the user; the typing
// interface, nodes of other kinds and nodes whose descriptor cannot be read whole are not.
#include <gtest/gtest.h>

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

TEST(UdevProbe, ReadsADescriptorSavedToAFile) {
  TempDir dir;
  const std::vector<uint8_t> consumer = simkeyboard::Interfaces(true).back().descriptor;
  const std::string file = dir.Write("consumer.bin", std::string(consumer.begin(), consumer.end()));
  const RunResult r = RunProgram({BinDir() + "tastor-udev-probe", "--descriptor", file});
  EXPECT_EQ(r.out, Verdict("consumer", 1));
}

}  // namespace
