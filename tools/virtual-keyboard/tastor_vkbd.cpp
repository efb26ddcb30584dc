// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-vkbd: the simulated keyboard presented to the Linux kernel through uhid, so that
// the real HID path (hidraw, hidapi, HidPort) can be exercised without hardware. Each of
// the keyboard's interfaces becomes one uhid device, as each USB interface of a real
// keyboard becomes one hidraw node; feature report reads and writes are answered from
// the same report memory (and folder of report files) as the simulator library's.
//
// Usage: tastor-vkbd --vid HEX --pid HEX [--product TEXT] [--dir FOLDER] [--no-consumer] [--typing]
// --typing adds the interface that carries the typing (a boot keyboard), which the program
// never opens and the udev rule must leave root-only.
// Prints "ready" once every device exists, and runs until SIGTERM or SIGINT.
#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "libs/simkeyboard/sim_keyboard.h"
#include "text/utf.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

struct Device {
  int fd = -1;
  simkeyboard::Interface interface;
};

bool WriteEvent(int fd, const uhid_event& event) {
  const ssize_t n = ::write(fd, &event, sizeof event);
  return n == static_cast<ssize_t>(sizeof event);
}

bool Create(Device& device, uint16_t vid, uint16_t pid, const std::string& product, int index) {
  device.fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
  if (device.fd < 0) {
    std::fprintf(stderr, "tastor-vkbd: /dev/uhid: %s\n", std::strerror(errno));
    return false;
  }
  uhid_event event{};
  event.type = UHID_CREATE2;
  auto& req = event.u.create2;
  std::snprintf(reinterpret_cast<char*>(req.name), sizeof req.name, "%s", product.c_str());
  // One physical keyboard: the interfaces share the path and differ in their input number,
  // as the interfaces of one USB device do.
  std::snprintf(reinterpret_cast<char*>(req.phys), sizeof req.phys, "tastor-vkbd/input%d", index);
  std::snprintf(reinterpret_cast<char*>(req.uniq), sizeof req.uniq, "TK105-VIRTUAL");
  req.bus = 0x03;  // USB
  req.vendor = vid;
  req.product = pid;
  req.version = 0x0100;
  const auto& rd = device.interface.descriptor;
  if (rd.size() > sizeof req.rd_data) return false;
  req.rd_size = static_cast<uint16_t>(rd.size());
  std::memcpy(req.rd_data, rd.data(), rd.size());
  if (!WriteEvent(device.fd, event)) {
    std::fprintf(stderr, "tastor-vkbd: create %s: %s\n", device.interface.role, std::strerror(errno));
    return false;
  }
  return true;
}

// Answers the kernel's feature report requests from the report memory. uhid carries the
// report id as the first data byte both ways.
void Serve(Device& device, simkeyboard::ReportMemory& memory) {
  uhid_event in{};
  const ssize_t n = ::read(device.fd, &in, sizeof in);
  if (n <= 0) return;
  uhid_event out{};
  if (in.type == UHID_GET_REPORT) {
    const uint8_t id = in.u.get_report.rnum;
    out.type = UHID_GET_REPORT_REPLY;
    out.u.get_report_reply.id = in.u.get_report.id;
    const std::size_t length = simkeyboard::PayloadLength(id);
    if (in.u.get_report.rtype != UHID_FEATURE_REPORT || length == 0 || id != device.interface.reportId) {
      out.u.get_report_reply.err = EIO;
    } else {
      std::vector<uint8_t> payload(length);
      const int err = memory.Read(id, payload);
      out.u.get_report_reply.err = static_cast<uint16_t>(err);
      if (err == 0) {
        out.u.get_report_reply.data[0] = id;
        std::memcpy(out.u.get_report_reply.data + 1, payload.data(), length);
        out.u.get_report_reply.size = static_cast<uint16_t>(length + 1);
      }
    }
    WriteEvent(device.fd, out);
  } else if (in.type == UHID_SET_REPORT) {
    const auto& req = in.u.set_report;
    out.type = UHID_SET_REPORT_REPLY;
    out.u.set_report_reply.id = req.id;
    const std::size_t length = simkeyboard::PayloadLength(req.rnum);
    if (req.rtype != UHID_FEATURE_REPORT || length == 0 || req.rnum != device.interface.reportId ||
        req.size < 1 || req.data[0] != req.rnum) {
      out.u.set_report_reply.err = EIO;
    } else {
      // A shorter report is padded with zeros, as the device's buffer would be.
      std::vector<uint8_t> payload(length, 0);
      std::memcpy(payload.data(), req.data + 1, std::min<std::size_t>(length, req.size - 1u));
      out.u.set_report_reply.err = static_cast<uint16_t>(memory.Write(req.rnum, payload));
    }
    WriteEvent(device.fd, out);
  }
}

uint16_t HexArg(const char* text) { return static_cast<uint16_t>(std::strtoul(text, nullptr, 16)); }

}  // namespace

int main(int argc, char** argv) {
  uint16_t vid = 0, pid = 0;
  std::string product = ToUtf8(simkeyboard::kDefaultProduct);
  std::string folder;
  bool consumer = true;
  bool typing = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--vid" && value) vid = HexArg(argv[++i]);
    else if (arg == "--pid" && value) pid = HexArg(argv[++i]);
    else if (arg == "--product" && value) product = argv[++i];
    else if (arg == "--dir" && value) folder = std::string(argv[++i]) + "/";
    else if (arg == "--no-consumer") consumer = false;
    else if (arg == "--typing") typing = true;
    else {
      std::fprintf(stderr,
                   "usage: tastor-vkbd --vid HEX --pid HEX [--product TEXT] [--dir FOLDER] [--no-consumer] [--typing]\n");
      return 2;
    }
  }

  simkeyboard::ReportMemory memory(folder);
  memory.Load();

  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);
  std::vector<Device> devices;
  for (auto& interface : simkeyboard::Interfaces(consumer)) devices.push_back(Device{-1, std::move(interface)});
  if (typing) devices.push_back(Device{-1, simkeyboard::TypingInterface()});
  int index = 0;
  for (Device& d : devices) {
    if (!Create(d, vid, pid, product, index++)) return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);

  std::vector<pollfd> fds;
  for (const Device& d : devices) fds.push_back({d.fd, POLLIN, 0});
  while (!g_stop) {
    if (::poll(fds.data(), fds.size(), 200) <= 0) continue;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].revents & POLLIN) Serve(devices[i], memory);
    }
  }
  for (Device& d : devices) {
    uhid_event destroy{};
    destroy.type = UHID_DESTROY;
    WriteEvent(d.fd, destroy);
    ::close(d.fd);
  }
  return 0;
}
