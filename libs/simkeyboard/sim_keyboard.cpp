// SPDX-License-Identifier: GPL-2.0-or-later
#include "libs/simkeyboard/sim_keyboard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace simkeyboard {
namespace {

// One vendor-defined interface: usage page 0xFF00, usage 1, one feature report of
// payloadLength bytes of 0..255 with the given report id.
std::vector<uint8_t> VendorDescriptor(uint8_t reportId, std::size_t payloadLength) {
  const auto count = static_cast<uint16_t>(payloadLength);
  return {
      0x06, 0x00, 0xFF,                                  // Usage Page (vendor 0xFF00)
      0x09, 0x01,                                        // Usage (1)
      0xA1, 0x01,                                        // Collection (Application)
      0x85, reportId,                                    //   Report ID
      0x15, 0x00,                                        //   Logical Minimum (0)
      0x26, 0xFF, 0x00,                                  //   Logical Maximum (255)
      0x75, 0x08,                                        //   Report Size (8)
      0x96, static_cast<uint8_t>(count & 0xFF), static_cast<uint8_t>(count >> 8),  // Report Count
      0x09, 0x01,                                        //   Usage (1)
      0xB1, 0x02,                                        //   Feature (Data, Variable, Absolute)
      0xC0,                                              // End Collection
  };
}

// Consumer control: one 16-bit usage of the consumer page per input report.
std::vector<uint8_t> ConsumerDescriptor() {
  return {
      0x05, 0x0C,        // Usage Page (Consumer)
      0x09, 0x01,        // Usage (Consumer Control)
      0xA1, 0x01,        // Collection (Application)
      0x85, kConsumerReportId,  // Report ID
      0x15, 0x00,        //   Logical Minimum (0)
      0x26, 0xFF, 0x03,  //   Logical Maximum (0x3FF)
      0x19, 0x00,        //   Usage Minimum (0)
      0x2A, 0xFF, 0x03,  //   Usage Maximum (0x3FF)
      0x75, 0x10,        //   Report Size (16)
      0x95, 0x01,        //   Report Count (1)
      0x81, 0x00,        //   Input (Data, Array, Absolute)
      0xC0,              // End Collection
  };
}

}  // namespace

std::vector<Interface> Interfaces(bool withConsumerControl) {
  std::vector<Interface> out = {
      {"matrix", 0xFF00, 1, 9, VendorDescriptor(9, PayloadLength(9))},
      {"led", 0xFF00, 1, 10, VendorDescriptor(10, PayloadLength(10))},
      {"colour", 0xFF00, 1, 11, VendorDescriptor(11, PayloadLength(11))},
      {"macro", 0xFF00, 1, 12, VendorDescriptor(12, PayloadLength(12))},
  };
  if (withConsumerControl) out.push_back({"consumer", 0x000C, 1, kConsumerReportId, ConsumerDescriptor()});
  return out;
}

Interface TypingInterface() {
  return {"typing", 0x0001, 6, 0,
          {
              0x05, 0x01,  // Usage Page (Generic Desktop)
              0x09, 0x06,  // Usage (Keyboard)
              0xA1, 0x01,  // Collection (Application)
              0x05, 0x07,  //   Usage Page (Keyboard/Keypad)
              0x19, 0xE0,  //   Usage Minimum (Left Control)
              0x29, 0xE7,  //   Usage Maximum (Right GUI)
              0x15, 0x00,  //   Logical Minimum (0)
              0x25, 0x01,  //   Logical Maximum (1)
              0x75, 0x01,  //   Report Size (1)
              0x95, 0x08,  //   Report Count (8)
              0x81, 0x02,  //   Input (Data, Variable, Absolute): modifiers
              0x95, 0x01,  //   Report Count (1)
              0x75, 0x08,  //   Report Size (8)
              0x81, 0x01,  //   Input (Constant): reserved
              0x05, 0x08,  //   Usage Page (LEDs)
              0x19, 0x01,  //   Usage Minimum (Num Lock)
              0x29, 0x05,  //   Usage Maximum (Kana)
              0x95, 0x05,  //   Report Count (5)
              0x75, 0x01,  //   Report Size (1)
              0x91, 0x02,  //   Output (Data, Variable, Absolute): LEDs
              0x95, 0x01,  //   Report Count (1)
              0x75, 0x03,  //   Report Size (3)
              0x91, 0x01,  //   Output (Constant): padding
              0x05, 0x07,  //   Usage Page (Keyboard/Keypad)
              0x19, 0x00,  //   Usage Minimum (0)
              0x29, 0x65,  //   Usage Maximum (0x65)
              0x15, 0x00,  //   Logical Minimum (0)
              0x25, 0x65,  //   Logical Maximum (0x65)
              0x95, 0x06,  //   Report Count (6)
              0x75, 0x08,  //   Report Size (8)
              0x81, 0x00,  //   Input (Data, Array): key codes
              0xC0,        // End Collection
          }};
}

std::size_t PayloadLength(uint8_t reportId) {
  switch (reportId) {
    case 9: return 504;
    case 10: return 41;
    case 11: return 126;
    case 12: return 1920;
    default: return 0;
  }
}

std::vector<uint8_t> InitialPayload(uint8_t reportId) {
  std::vector<uint8_t> payload(PayloadLength(reportId), 0);
  if (reportId == 10) {
    payload[0] = 1;  // lighting mode code
    payload[1] = 1;  // colour group index + 1
    payload[2] = 3;  // speed
    payload[3] = 5;  // brightness
  }
  return payload;
}

uint32_t ReportIdSet(const std::string& list) {
  uint32_t set = 0;
  std::size_t at = 0;
  while (at <= list.size()) {
    std::size_t end = list.find(',', at);
    if (end == std::string::npos) end = list.size();
    std::string piece = list.substr(at, end - at);
    piece.erase(0, piece.find_first_not_of(" \t"));
    piece.erase(piece.find_last_not_of(" \t") + 1);
    char* stop = nullptr;
    const unsigned long id = piece.empty() ? 0 : std::strtoul(piece.c_str(), &stop, 10);
    if (!piece.empty() && *stop == 0 && id < 256 && PayloadLength(static_cast<uint8_t>(id)) != 0) set |= 1u << id;
    at = end + 1;
  }
  return set;
}

std::string ReportFileName(uint8_t reportId) {
  char name[32];
  std::snprintf(name, sizeof name, "report-%02u.bin", static_cast<unsigned>(reportId));
  return name;
}

int WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  std::string temporary = path + ".tmp-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return errno;
  int error = 0;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fchmod(fd, 0644) != 0) error = errno;
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(temporary.c_str());
  return error;
}

bool PluggedIn(const std::string& folder) {
  if (folder.empty()) return true;
  struct stat st;
  return ::stat((folder + kUnpluggedFileName).c_str(), &st) != 0;
}

int SetPluggedIn(const std::string& folder, bool pluggedIn) {
  if (folder.empty()) return EINVAL;
  const std::string path = folder + kUnpluggedFileName;
  if (pluggedIn) return ::unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : errno;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return ec.value();
  const uint8_t note[] = "pulled out\n";
  return WriteFileAtomically(path, std::span<const uint8_t>(note, sizeof note - 1));
}

ReportMemory::ReportMemory(std::string folder) : folder_(std::move(folder)) {
  for (const uint8_t id : kReportIds) reports_[id] = InitialPayload(id);
}

void ReportMemory::Load() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const uint8_t id : kReportIds) {
    std::vector<uint8_t> payload = InitialPayload(id);
    if (!folder_.empty()) {
      std::ifstream in(folder_ + ReportFileName(id), std::ios::binary);
      if (in) {
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.size() == payload.size()) payload = std::move(bytes);
      }
    }
    reports_[id] = std::move(payload);
  }
}

int ReportMemory::Read(uint8_t reportId, std::span<uint8_t> payload) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = reports_.find(reportId);
  if (it == reports_.end() || it->second.size() != payload.size()) return EINVAL;
  std::copy(it->second.begin(), it->second.end(), payload.begin());
  return 0;
}

int ReportMemory::Write(uint8_t reportId, std::span<const uint8_t> payload) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = reports_.find(reportId);
  if (it == reports_.end() || it->second.size() != payload.size()) return EINVAL;
  if (!folder_.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    if (ec) return ec.value();
    const int error = WriteFileAtomically(folder_ + ReportFileName(reportId), payload);
    if (error != 0) return error;
  }
  it->second.assign(payload.begin(), payload.end());
  return 0;
}

}  // namespace simkeyboard
