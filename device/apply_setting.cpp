// SPDX-License-Identifier: GPL-2.0-or-later
#include "device/apply_setting.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "base/log.h"
#include "base/settings.h"
#include "base/window_port.h"
#include "device/usb_driver.h"
#include "macro/macro_encoding.h"
#include "macro/macro_library.h"
#include "macro/macro_limits.h"
#include "model/device_matrix.h"
#include "model/profile.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace {

constexpr std::size_t kWorkBufferBytes = 2048;
constexpr uint8_t kColourOn = 7;

void Pause(std::chrono::milliseconds pause) {
  if (pause.count() > 0) std::this_thread::sleep_for(pause);
}

void ForgetBufferNumbers(MacroSet& macros) {
  for (MacroRecord& m : macros.Records()) m.Macro_Buffer_ID = 0;
}

// One run of the sequence: the progress window, the GoWithNoDev switch read once, and the
// work buffer every transfer composes its report in.
class ApplyRun {
 public:
  ApplyRun(CUSBDriver* driver, HWND progress, unsigned progressMessage, const ApplyPauses& pauses)
      : driver_(driver), progress_(progress), message_(progressMessage), pauses_(pauses),
        goWithNoDev_(driver->Config().GoWithNoDev != 0) {}

  HWND Progress() const { return progress_; }
  const ApplyPauses& Pauses() const { return pauses_; }

  void Report(int percent) const {
    if (progress_ != nullptr) Windows().PostMessage(progress_, message_, static_cast<uintptr_t>(percent), 0);
  }

  // A failure the sequence may get past: always logged; without GoWithNoDev also shown in
  // the info box owned by the progress window, and the sequence ends (its text is kept as
  // the run's failure). True to go on.
  bool Tolerate(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char text[260];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    WriteLog("%s", text);
    if (goWithNoDev_) return true;
    ShowInfo(progress_, "%s", text);
    if (failure_.empty()) failure_ = text;
    return false;
  }
  const std::string& Failure() const { return failure_; }

  // The result of a transfer; a failure is tolerated as "<what>, err=0x<system error>".
  bool Checked(int transferred, const std::string& what) {
    return transferred != 0 || Tolerate("%s, err=0x%x", what.c_str(), static_cast<unsigned>(LastTransferError()));
  }

  int Send(uint8_t reportId, int length, HidHandle handle, const uint8_t* payload) {
    work_.fill(0);
    return SendCommand(reportId, length, work_, driver_, handle, payload);
  }
  int Get(uint8_t reportId, int length, HidHandle handle, uint8_t* payload) {
    work_.fill(0);
    return GetCommand(reportId, work_, payload, driver_, handle, length);
  }

 private:
  CUSBDriver* driver_;
  HWND progress_;
  unsigned message_;
  const ApplyPauses& pauses_;
  bool goWithNoDev_;
  std::string failure_;
  std::array<uint8_t, kWorkBufferBytes> work_{};
};

// What a run wrote into the reports the keyboard lets be read, kept for the read-back.
struct WrittenImages {
  bool led = false;
  std::array<uint8_t, kLedPayload> ledBytes{};
  bool matrix = false;
  std::array<uint8_t, kMatrixPayload> matrixBytes{};
};

// Lighting: the keyboard's report 10 with the first four bytes replaced. False ends the
// sequence with result 0.
bool ApplyLighting(ApplyRun& run, CUSBDriver& driver, const Profile& profile, WrittenImages& written) {
  std::array<uint8_t, kLedPayload> led{};
  if (!run.Get(kLedReportId, kLedPayload, driver.m_hLed, led.data())) {
    // Like every other transfer failure, the user is told which report failed.
    if (!run.Tolerate("Get LED Failed.")) return false;
  } else {
    LogHexDump(led.data(), led.size(), 10, "LED(Load): ");
    Pause(run.Pauses().afterLedRead);
  }
  run.Report(20);
  PatchLedPayload(profile, driver.Config(), led.data());
  LogHexDump(led.data(), led.size(), 32, "LED(Save): ");
  if (!run.Checked(run.Send(kLedReportId, kLedPayload, driver.m_hLed, led.data()), "Set led data")) return false;
  written.led = true;
  written.ledBytes = led;
  Pause(run.Pauses().afterLed);
  return true;
}

// Colour group: only a user-defined group of the game mode is the keyboard's to keep.
bool ApplyColourGroup(ApplyRun& run, CUSBDriver& driver, const Profile& profile) {
  const AppSettings& s = driver.Config();
  if (s.GaoshouIndex != profile.ledMode || profile.colourGroup < s.ColorCustomIndex) return true;
  std::array<uint8_t, kColourPayload> colour{};
  if (!BuildColourPayload(profile, colour.data())) return true;
  WriteLog("Game Color Data: (clrKey[0] is group index)");
  LogHexDump(colour.data(), colour.size(), 10, "");
  const std::string what = "Set color[" + std::to_string(profile.colourGroup) + "] data";
  if (!run.Checked(run.Send(kColorReportId, kColourPayload, driver.m_hColor, colour.data()), what)) return false;
  Pause(run.Pauses().afterColour);
  return true;
}

// Key matrix with the macro buffer of the keys' macros; with SyncKB the positions the
// profile leaves at 0 keep the keyboard's own entries.
bool ApplyMatrix(ApplyRun& run, CUSBDriver& driver, const Profile& profile, MacroSet& macros,
                 WrittenImages& written) {
  const AppSettings& s = driver.Config();
  DeviceMatrix matrix{};
  // The encoding reports the functions it could not encode; the run tells the user of each.
  const int unencodable = KEYINFO_2_Matrix(profile.keys, s.KeyTable, macros, matrix);
  for (int i = 0; i < unencodable; ++i) {
    Windows().MessageBox(run.Progress(), kInvalidKeyCodeText, u"Error", MB_OK | MB_ICONERROR);
  }
  run.Report(70);

  // Every macro starts the run without a buffer number.
  ForgetBufferNumbers(macros);
  MacroBuffer buffer{};
  int misplaced = 0;
  const int macroKeys = BuildMacroBuffer(profile.keys, macros, matrix, buffer, Limits(), s.KeyTable.count, &misplaced);
  for (int i = 0; i < misplaced; ++i) {
    Windows().MessageBox(nullptr, kMatrixIndexWarningText, u"Warning", MB_OK | MB_ICONWARNING);
  }
  if (macroKeys > 0) {
    LogHexDump(buffer.data(), buffer.size(), 64, "Macro: ");
    if (!run.Checked(run.Send(kMacroReportId, kMacroPayload, driver.m_hMacro, buffer.data()), "Set macro buffer")) {
      return false;
    }
    Pause(run.Pauses().afterMacro);
  }
  WriteLog("-------After convert over--------");
  DumpMatrix(matrix, s.KeyTable, macros);

  DeviceMatrix payload = matrix;
  if (s.SyncKB != 0) {
    WriteLog("SyncKB=1");
    std::array<uint8_t, kMatrixPayload> read{};
    if (!run.Checked(run.Get(kMatrixReportId, kMatrixPayload, driver.m_hMatrix, read.data()), "Get matrix")) {
      return false;
    }
    std::memcpy(payload.data(), read.data(), read.size());
    for (std::size_t i = 0; i < matrix.size(); ++i) {
      if (matrix[i] != 0) payload[i] = matrix[i];
    }
    Pause(run.Pauses().afterMatrixRead);
  }

  const auto bytes = MatrixBytes(payload);
  WriteLog("Matrix_Data:");
  LogHexDump(bytes.data(), bytes.size(), 40, "");
  if (!run.Checked(run.Send(kMatrixReportId, kMatrixPayload, driver.m_hMatrix, bytes.data()), "Set matrix")) {
    return false;
  }
  written.matrix = true;
  std::memcpy(written.matrixBytes.data(), bytes.data(), written.matrixBytes.size());
  Pause(run.Pauses().afterMatrix);
  return true;
}

const std::u16string& TextOr(const std::u16string& text, const std::u16string& english) {
  return text.empty() ? english : text;
}

// Reads one written report back and compares it with what was written. A keyboard that
// acknowledged the write but kept its old content fails the run with the message naming
// the part; both images go to the log.
template <std::size_t N>
bool VerifyReport(ApplyRun& run, uint8_t reportId, HidHandle handle, const std::array<uint8_t, N>& sent,
                  std::chrono::milliseconds pause, const char* name, int bytesPerLine,
                  const std::u16string& notKept) {
  std::array<uint8_t, N> kept{};
  const std::string what = std::string("Verify ") + name;
  if (!run.Checked(run.Get(reportId, static_cast<int>(N), handle, kept.data()), what)) return false;
  Pause(pause);
  if (kept == sent) return true;
  const std::string label = std::string(name) + "(Sent): ";
  LogHexDump(sent.data(), sent.size(), bytesPerLine, label.c_str());
  const std::string keptLabel = std::string(name) + "(Kept): ";
  LogHexDump(kept.data(), kept.size(), bytesPerLine, keptLabel.c_str());
  return run.Tolerate("%s", ToUtf8(notKept).c_str());
}

// The read-back of the reports the keyboard lets be read (lighting and key matrix).
bool VerifyWritten(ApplyRun& run, CUSBDriver& driver, const WrittenImages& written) {
  const TextTable& texts = TextTable::Instance();
  static const std::u16string ledEnglish(english::tc_verify_led);
  static const std::u16string matrixEnglish(english::tc_verify_matrix);
  if (written.led && !VerifyReport(run, kLedReportId, driver.m_hLed, written.ledBytes, run.Pauses().afterLedRead,
                                   "LED", 32, TextOr(texts.tc_verify_led, ledEnglish))) {
    return false;
  }
  if (written.matrix &&
      !VerifyReport(run, kMatrixReportId, driver.m_hMatrix, written.matrixBytes, run.Pauses().afterMatrixRead,
                    "Matrix", 40, TextOr(texts.tc_verify_matrix, matrixEnglish))) {
    return false;
  }
  return true;
}

}  // namespace

uint8_t DeviceSpeed(uint8_t level) {
  return level >= 1 && level <= 5 ? static_cast<uint8_t>(6 - level) : 1;
}

void PatchLedPayload(const Profile& profile, const AppSettings& s, uint8_t* led) {
  const bool known = profile.ledMode >= 0 && profile.ledMode < kLightingModeCount;
  const auto mode = static_cast<std::size_t>(known ? profile.ledMode : 0);
  const ModeSetting setting = known ? profile.modeSettings[mode] : ModeSetting{};
  led[0] = known ? s.LedModeTable[mode].code : 0;
  led[1] = static_cast<uint8_t>(profile.colourGroup + 1);
  led[2] = DeviceSpeed(setting.speed);
  led[3] = setting.brightness;
}

bool BuildColourPayload(const Profile& profile, uint8_t* payload) {
  if (profile.colourGroup >= kColourGroupCount) return false;
  const auto& colours = profile.colours[profile.colourGroup];
  payload[0] = static_cast<uint8_t>(profile.colourGroup + 1);
  // The colour of position 125 does not fit the report.
  for (std::size_t n = 1; n < kColourPayload; ++n) payload[n] = colours[n - 1] != 0 ? kColourOn : 0;
  return true;
}

int ApplySetting(const Profile* profile, MacroSet* macros, HWND progress, CUSBDriver* driver,
                 unsigned progressMessage, uint32_t flags, const ApplyPauses& pauses, std::string* failure) {
  if (driver == nullptr || profile == nullptr || profile->id == 0 || macros == nullptr) return 0;
  if (!Windows().IsWindow(progress)) {
    WriteLog("ApplySetting: hWnd=0");
    progress = nullptr;
  }
  ApplyRun run(driver, progress, progressMessage, pauses);
  WrittenImages written;
  bool ok = true;
  if (flags & APPLY_LIGHTING) ok = ApplyLighting(run, *driver, *profile, written);
  if (ok && (flags & APPLY_COLOUR)) ok = ApplyColourGroup(run, *driver, *profile);
  if (ok && (flags & APPLY_MATRIX)) ok = ApplyMatrix(run, *driver, *profile, *macros, written);
  // Only what the keyboard kept counts as applied.
  if (ok && driver->Config().VerifyApply != 0) ok = VerifyWritten(run, *driver, written);
  if (failure != nullptr) *failure = run.Failure();
  if (ok) {
    run.Report(100);
    if (progress != nullptr) Pause(pauses.atHundred);
  }
  // Buffer numbers exist only during one apply.
  ForgetBufferNumbers(*macros);
  return ok ? 1 : 0;
}
