// SPDX-License-Identifier: GPL-2.0-or-later
// HidPort's logic behind its entry points, over a fake list of interfaces: reading the
// device id, choosing by ids, usage and the program's filter, counting, handles, error
// codes; and what it reads from sysfs.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <map>
#include <set>
#include <thread>

#include "libs/hidport/hid_port_core.h"
#include "libs/hidport/sysfs.h"
#include "tests/support/test_support.h"

using namespace hidport;

namespace {

struct FakeState {
  std::map<std::string, std::vector<uint8_t>> lastReport;  // by path
  std::set<std::string> denied;                            // EACCES on open
  std::set<std::string> broken;                            // EIO on open
  std::vector<std::string> opened;
  int alive = 0;                                           // open connections
  std::promise<void>* holdTransfer = nullptr;              // blocks SetFeature until set
  std::promise<void>* transferStarted = nullptr;
};

class FakeConnection : public HidConnection {
 public:
  FakeConnection(FakeState& state, std::string path, std::u16string product)
      : state_(state), path_(std::move(path)), product_(std::move(product)) {
    ++state_.alive;
  }
  ~FakeConnection() override { --state_.alive; }
  int SetFeature(const uint8_t* report, std::size_t length) override {
    if (state_.transferStarted) state_.transferStarted->set_value();
    if (state_.holdTransfer) state_.holdTransfer->get_future().wait();
    state_.lastReport[path_].assign(report, report + length);
    return 0;
  }
  int GetFeature(uint8_t* report, std::size_t length, std::size_t& received) override {
    for (std::size_t i = 1; i < length; ++i) report[i] = static_cast<uint8_t>(i);
    received = length;
    return 0;
  }
  int GetInputReport(uint8_t*, std::size_t) override { return EPIPE; }
  int ProductString(std::u16string& product) override {
    product = product_;
    return 0;
  }

 private:
  FakeState& state_;
  std::string path_;
  std::u16string product_;
};

class FakeBackend : public HidBackend {
 public:
  FakeBackend(FakeState& state, std::vector<HidInterfaceInfo> list) : state_(state), list_(std::move(list)) {}
  std::vector<HidInterfaceInfo> Enumerate(uint16_t, uint16_t, int) override { return list_; }
  std::unique_ptr<HidConnection> Open(const HidInterfaceInfo& info, uint32_t, int* error) override {
    if (state_.denied.count(info.path)) {
      *error = EACCES;
      return nullptr;
    }
    if (state_.broken.count(info.path)) {
      *error = EIO;
      return nullptr;
    }
    state_.opened.push_back(info.path);
    return std::make_unique<FakeConnection>(state_, info.path, info.product);
  }

 private:
  FakeState& state_;
  std::vector<HidInterfaceInfo> list_;
};

HidInterfaceInfo Iface(std::string path, std::string key, uint16_t page, uint16_t usage, ReportLengths lengths,
                       uint16_t vid = 0x2F68, uint16_t pid = 0x0A17) {
  HidInterfaceInfo i;
  i.path = std::move(path);
  i.deviceKey = std::move(key);
  i.vendorId = vid;
  i.productId = pid;
  i.usagePage = page;
  i.usage = usage;
  i.lengths = lengths;
  i.product = u"Tastor TK-105";
  return i;
}

// Two identical keyboards, a mouse of another vendor listed first, and a vendor
// interface of the same keyboard with another usage.
std::vector<HidInterfaceInfo> TwoKeyboards() {
  return {
      Iface("/dev/hidraw0", "mouse", 0xFF00, 1, {0, 0, 42}, 0x046D, 0xC077),
      Iface("/dev/hidraw1", "usb1/1-2", 0xFF00, 1, {0, 0, 505}),
      Iface("/dev/hidraw2", "usb1/1-2", 0xFF00, 1, {0, 0, 42}),
      Iface("/dev/hidraw3", "usb1/1-2", 0x000C, 1, {3, 0, 0}),
      Iface("/dev/hidraw4", "usb1/1-2", 0xFF00, 2, {0, 0, 42}),
      Iface("/dev/hidraw5", "usb1/1-3", 0xFF00, 1, {0, 0, 505}),
      Iface("/dev/hidraw6", "usb1/1-3", 0xFF00, 1, {0, 0, 42}),
  };
}

const char16_t kId[] = u"VID_2F68&PID_0A17";

struct Seen {
  int keyboard, input, output, feature;
};
thread_local std::vector<Seen>* t_seen = nullptr;
int Record(int keyboard, int input, int output, int feature) {
  t_seen->push_back({keyboard, input, output, feature});
  return 1;
}
int Led(int, int, int, int feature) { return feature == 42; }
int Matrix(int, int, int, int feature) { return feature == 505; }
int Consumer(int, int input, int, int) { return input == 3; }

class HidPortLogic : public ::testing::Test {
 protected:
  HidPortCore& Port(std::vector<HidInterfaceInfo> list = TwoKeyboards()) {
    port_ = std::make_unique<HidPortCore>(std::make_unique<FakeBackend>(state_, std::move(list)));
    return *port_;
  }
  FakeState state_;
  std::unique_ptr<HidPortCore> port_;
};

}  // namespace

TEST(HidDeviceId, ReadsTheProgramsDeviceIdString) {
  const auto id = ParseDeviceId(u"VID_2F68&PID_0A17");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->vendorId, 0x2F68);
  EXPECT_EQ(id->productId, 0x0A17);
  const auto lower = ParseDeviceId(u"vid_2f68&pid_0a17");
  ASSERT_TRUE(lower);
  EXPECT_EQ(lower->productId, 0x0A17);
  for (const char16_t* bad : {u"", u"VID_2F68&PID_0A1", u"VID_2F68&PID_0A17 ", u"VID_2F6G&PID_0A17",
                              u"VID-2F68&PID_0A17", u"PID_2F68&VID_0A17", u"VID_2F68_PID_0A17"}) {
    EXPECT_FALSE(ParseDeviceId(bad)) << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
  }
  EXPECT_FALSE(ParseDeviceId(nullptr));
}

TEST(HidMatching, ChoosesByIdsAndUsageAndNumbersKeyboards) {
  const auto list = TwoKeyboards();
  const auto vendor = MatchInterfaces(list, {0x2F68, 0x0A17}, 0xFF00, 1);
  ASSERT_EQ(vendor.size(), 4u);
  EXPECT_EQ(vendor[0].index, 1u);
  EXPECT_EQ(vendor[0].keyboard, 0);
  EXPECT_EQ(vendor[2].index, 5u);
  EXPECT_EQ(vendor[2].keyboard, 1);
  const auto consumer = MatchInterfaces(list, {0x2F68, 0x0A17}, 12, 1);
  ASSERT_EQ(consumer.size(), 1u);
  EXPECT_EQ(consumer[0].index, 3u);
  EXPECT_TRUE(MatchInterfaces(list, {0x2F68, 0x0A18}, 0xFF00, 1).empty());
}

TEST_F(HidPortLogic, FilterSeesKeyboardAndLengthsOfEachCandidate) {
  std::vector<Seen> seen;
  t_seen = &seen;
  int counter = -1;
  const HidHandle h = Port().OpenHidDevice(0xFF00, 1, kId, Record, 0, 0, &counter);
  t_seen = nullptr;
  ASSERT_EQ(seen.size(), 4u);  // neither the other vendor's device nor usage 2
  EXPECT_EQ(seen[0].keyboard, 0);
  EXPECT_EQ(seen[0].feature, 505);
  EXPECT_EQ(seen[1].feature, 42);
  EXPECT_EQ(seen[3].keyboard, 1);
  EXPECT_EQ(counter, 4);
  EXPECT_NE(h, 0u);
  EXPECT_EQ(state_.opened, std::vector<std::string>{"/dev/hidraw1"});  // the first accepted
}

TEST_F(HidPortLogic, CounterCountsAcceptedInterfacesAndInputLengthsReachTheFilter) {
  HidPortCore& port = Port();
  int counter = 0;
  EXPECT_NE(port.OpenHidDevice(0xFF00, 1, kId, Led, 0, 0, &counter), 0u);
  EXPECT_EQ(counter, 2);  // two keyboards
  EXPECT_EQ(state_.opened.back(), "/dev/hidraw2");
  EXPECT_NE(port.OpenHidDevice(12, 1, kId, Consumer, 0, 0xC0000000u, &counter), 0u);
  EXPECT_EQ(counter, 1);
  EXPECT_EQ(port.OpenHidDevice(0xFF00, 1, kId, Consumer, 0, 0, &counter), 0u);
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(HidPortCore::LastError(), ENODEV);
  EXPECT_EQ(port.OpenHidDevice(0xFF00, 1, u"VID_2F68", Led, 0, 0, &counter), 0u);
  EXPECT_EQ(HidPortCore::LastError(), EINVAL);
}

TEST_F(HidPortLogic, VirtualDevicesWithoutInterfaceNumberAreFound) {
  auto list = TwoKeyboards();
  for (auto& i : list) i.interfaceNumber = -1;
  EXPECT_NE(Port(list).OpenHidDevice(0xFF00, 1, kId, Matrix, 0, 0, nullptr), 0u);
}

TEST_F(HidPortLogic, PermissionDeniedIsReportedAndOtherCandidatesTried) {
  HidPortCore& port = Port();
  state_.denied = {"/dev/hidraw2", "/dev/hidraw6"};
  int counter = 0;
  EXPECT_EQ(port.OpenHidDevice(0xFF00, 1, kId, Led, 0, 0, &counter), 0u);
  EXPECT_EQ(HidPortCore::LastError(), EACCES);
  EXPECT_EQ(counter, 2);  // both keyboards are there, openable or not

  // One keyboard refused: the second one opens.
  state_.denied = {"/dev/hidraw2"};
  EXPECT_NE(port.OpenHidDevice(0xFF00, 1, kId, Led, 0, 0, nullptr), 0u);
  EXPECT_EQ(state_.opened.back(), "/dev/hidraw6");
  EXPECT_EQ(HidPortCore::LastError(), 0);

  // Lack of permission outweighs another failure.
  state_.denied = {"/dev/hidraw6"};
  state_.broken = {"/dev/hidraw2"};
  EXPECT_EQ(port.OpenHidDevice(0xFF00, 1, kId, Led, 0, 0, nullptr), 0u);
  EXPECT_EQ(HidPortCore::LastError(), EACCES);
  state_.denied.clear();
  state_.broken = {"/dev/hidraw2", "/dev/hidraw6"};
  EXPECT_EQ(port.OpenHidDevice(0xFF00, 1, kId, Led, 0, 0, nullptr), 0u);
  EXPECT_EQ(HidPortCore::LastError(), EIO);
}

TEST_F(HidPortLogic, HandlesMoveReportsAndAreNeverReused) {
  HidPortCore& port = Port();
  const HidHandle h = port.OpenHidDevice(0xFF00, 1, kId, Led, 0, 0, nullptr);
  ASSERT_NE(h, 0u);
  const uint8_t report[4] = {10, 1, 2, 3};
  EXPECT_EQ(port.SetFeature(h, report, 4), 1);
  EXPECT_EQ(state_.lastReport["/dev/hidraw2"], (std::vector<uint8_t>{10, 1, 2, 3}));
  uint8_t in[4] = {10, 0, 0, 0};
  EXPECT_EQ(port.GetFeature(h, in, 4), 1);
  EXPECT_EQ(in[3], 3);
  EXPECT_EQ(port.GetInputReport(h, in, 4), 0);
  EXPECT_EQ(HidPortCore::LastError(), EPIPE);

  char16_t product[6];
  EXPECT_EQ(port.GetProductString(h, product, 6), 1);
  EXPECT_EQ(std::u16string(product), u"Tasto");  // cut to capacity - 1, terminated

  EXPECT_EQ(port.CloseHidDevice(h), 1);
  EXPECT_EQ(state_.alive, 0);
  EXPECT_EQ(port.SetFeature(h, report, 4), 0);
  EXPECT_EQ(HidPortCore::LastError(), EBADF);
  EXPECT_EQ(port.CloseHidDevice(h), 0);
  const HidHandle again = port.OpenHidDevice(0xFF00, 1, kId, Led, 0, 0, nullptr);
  EXPECT_NE(again, h);
  EXPECT_EQ(port.SetFeature(again, nullptr, 4), 0);
  EXPECT_EQ(HidPortCore::LastError(), EINVAL);
}

TEST_F(HidPortLogic, CloseWaitsForATransferInProgress) {
  HidPortCore& port = Port();
  const HidHandle h = port.OpenHidDevice(0xFF00, 1, kId, Matrix, 0, 0, nullptr);
  std::promise<void> hold, started;
  state_.holdTransfer = &hold;
  state_.transferStarted = &started;
  const uint8_t report[2] = {9, 1};
  auto transfer = std::async(std::launch::async, [&] { return port.SetFeature(h, report, 2); });
  started.get_future().wait();
  state_.transferStarted = nullptr;
  auto close = std::async(std::launch::async, [&] { return port.CloseHidDevice(h); });
  EXPECT_EQ(close.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  EXPECT_EQ(state_.alive, 1);  // the interface stays open under the transfer
  hold.set_value();
  EXPECT_EQ(transfer.get(), 1);
  EXPECT_EQ(close.get(), 1);
  EXPECT_EQ(state_.alive, 0);
  EXPECT_EQ(port.OpenCount(), 0u);
}

TEST(HidSysfs, ReadsDescriptorAndGroupsNodesByPhysicalDevice) {
  TempDir sys;
  const std::string usbHid = "devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.1/0003:2F68:0A17.0004";
  const std::string virtualHid = "devices/virtual/misc/uhid/0003:2F68:0A17.0007";
  const std::string uhid0 = "devices/virtual/misc/uhid/0003:2F68:0A17.0010";
  const std::string uhid1 = "devices/virtual/misc/uhid/0003:2F68:0A17.0011";
  sys.Write(usbHid + "/report_descriptor", std::string("\x06\x00\xFF\x09\x01", 5));
  sys.Write(virtualHid + "/report_descriptor", "x");
  sys.Write(uhid0 + "/uevent", "DRIVER=hid-generic\nHID_PHYS=tastor-vkbd/input0\nHID_UNIQ=X\n");
  sys.Write(uhid1 + "/uevent", "HID_PHYS=tastor-vkbd/input1\n");
  ::mkdir((sys.path() + "class").c_str(), 0755);
  ::mkdir((sys.path() + "class/hidraw").c_str(), 0755);
  for (const auto& [node, target] : {std::pair{"hidraw3", usbHid}, std::pair{"hidraw4", usbHid},
                                     std::pair{"hidraw7", virtualHid}, std::pair{"hidraw10", uhid0},
                                     std::pair{"hidraw11", uhid1}}) {
    ::mkdir((sys.path() + "class/hidraw/" + node).c_str(), 0755);
    ASSERT_EQ(::symlink((sys.path() + target).c_str(), (sys.path() + "class/hidraw/" + node + "/device").c_str()), 0);
  }
  const std::string root = sys.path().substr(0, sys.path().size() - 1);

  int error = -1;
  EXPECT_EQ(ReadReportDescriptor(root, "/dev/hidraw3", &error), (std::vector<uint8_t>{0x06, 0x00, 0xFF, 0x09, 0x01}));
  EXPECT_EQ(error, 0);
  EXPECT_TRUE(ReadReportDescriptor(root, "/dev/hidraw9", &error).empty());
  EXPECT_EQ(error, ENOENT);
  EXPECT_TRUE(ReadReportDescriptor(root, "/dev/..", &error).empty());
  EXPECT_EQ(error, EINVAL);

  const std::string usbKey = PhysicalDeviceKey(root, "/dev/hidraw3");
  EXPECT_EQ(usbKey, PhysicalDeviceKey(root, "/dev/hidraw4"));
  EXPECT_EQ(usbKey.substr(usbKey.size() - 9), "/usb1/1-2");
  const std::string virtualKey = PhysicalDeviceKey(root, "/dev/hidraw7");
  EXPECT_EQ(virtualKey.substr(virtualKey.size() - 20), "/0003:2F68:0A17.0007");
  EXPECT_EQ(PhysicalDeviceKey(root, "/dev/hidraw9"), "/dev/hidraw9");
  // Interfaces of one virtual keyboard share their physical path up to "/input<n>".
  EXPECT_EQ(PhysicalDeviceKey(root, "/dev/hidraw10"), "phys:tastor-vkbd");
  EXPECT_EQ(PhysicalDeviceKey(root, "/dev/hidraw11"), "phys:tastor-vkbd");
}
