// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated keyboard's own logic, kept in one place for every way of presenting it
// (the HidPortSim library now, a virtual keyboard on the kernel's uhid later): its
// interfaces with their report descriptors, and its report memory, kept as one file per
// report in a folder so that it survives the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace simkeyboard {

// The product string the keyboard reports unless told otherwise.
inline constexpr char16_t kDefaultProduct[] = u"Tastor TK-105";

// The feature reports the keyboard keeps: key matrix, lighting, colour group, macros.
inline constexpr uint8_t kReportIds[] = {9, 10, 11, 12};
// The consumer-control interface's input report id.
inline constexpr uint8_t kConsumerReportId = 2;

struct Interface {
  const char* role;  // "matrix", "led", "colour", "macro" or "consumer"
  uint16_t usagePage;
  uint16_t usage;
  uint8_t reportId;  // the feature report of a vendor interface, the input report of the consumer one
  std::vector<uint8_t> descriptor;
};

// The keyboard's interfaces in the order it presents them: the four vendor interfaces
// (usage page 0xFF00, usage 1, one feature report each), then, unless left out, the
// consumer-control interface (usage page 12, usage 1, a two-byte input report).
std::vector<Interface> Interfaces(bool withConsumerControl);

// The interface that carries the typing (a boot keyboard: usage page 1, usage 6, eight
// modifier bits and six key codes in, five LEDs out). The program never opens it; the
// virtual keyboard presents it so that access to it can be checked.
Interface TypingInterface();

// Payload bytes of a feature report (without the report id): 504, 41, 126, 1920; 0 for
// a report the keyboard does not have.
std::size_t PayloadLength(uint8_t reportId);

// What a report holds before anything was written: zeros, except the lighting report 10,
// which starts with a plausible lighting state (mode 1, colour group 1, speed 3,
// brightness 5).
std::vector<uint8_t> InitialPayload(uint8_t reportId);

// The reports of a list such as "9,10" (ids of the keyboard's feature reports, separated by
// commas, blanks allowed) as a set of bits, bit n for report n. Pieces that are not one
// of the keyboard's report ids are left out.
uint32_t ReportIdSet(const std::string& list);
inline bool InReportIdSet(uint32_t set, uint8_t reportId) { return reportId < 32 && ((set >> reportId) & 1u) != 0; }

// "report-09.bin" ... "report-12.bin".
std::string ReportFileName(uint8_t reportId);

// Writes a file so that a reader sees either the old or the new contents, never a part:
// a temporary file in the same folder, flushed, then renamed over the old one. Returns 0
// or an errno value.
int WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// The plug: the keyboard may be pulled out and plugged in again while a program uses it.
// It is pulled out while the file "unplugged" lies in its memory folder (for every
// keyboard of that folder); a folder of "" is always plugged in.
inline constexpr char kUnpluggedFileName[] = "unplugged";
bool PluggedIn(const std::string& folder);
// Plugs the keyboard in or pulls it out (creating the folder). 0 or an errno value.
int SetPluggedIn(const std::string& folder, bool pluggedIn);

// The keyboard's memory of its feature reports, payload only. Safe to use from several
// threads.
class ReportMemory {
 public:
  // folder ends with "/"; empty keeps the memory in the process only.
  explicit ReportMemory(std::string folder);

  // Reads every report file of the folder. A missing file, or one of the wrong size,
  // leaves that report at its initial payload.
  void Load();
  // Copies a report's payload; payload must have exactly its length. 0 or EINVAL.
  int Read(uint8_t reportId, std::span<uint8_t> payload) const;
  // Keeps a report's payload and writes its file (creating the folder). The memory only
  // changes when the file was written. 0 or an errno value.
  int Write(uint8_t reportId, std::span<const uint8_t> payload);

  const std::string& folder() const { return folder_; }

 private:
  const std::string folder_;
  mutable std::mutex mutex_;
  std::map<uint8_t, std::vector<uint8_t>> reports_;
};

}  // namespace simkeyboard
