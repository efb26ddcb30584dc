// SPDX-License-Identifier: GPL-2.0-or-later
// CUSBDriver: the program's link to the keyboard. It binds the HidPort library at run
// time (or HidPortSim, the simulated keyboard), finds and opens the keyboard's four
// vendor interfaces (told apart by their feature report length) and its consumer-control
// interface, and moves whole feature reports with retries.
//
// Threads: the UI thread opens and closes the handles (FindDev, ClearHandle); the apply
// worker transfers on them (SendCommand, GetCommand). A transfer holds the handle guard
// for each single try, a close holds it exclusively, so a transfer and ClearHandle never
// overlap; a transfer on a handle closed meanwhile fails like any other (the library
// never reuses a handle number).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <span>
#include <string>
#include <vector>

#include "libs/hidport/hidport.h"
#include "platform/dynamic_library.h"

struct AppSettings;

// Feature report lengths (report id byte included) and the report ids of the four
// vendor interfaces, and the consumer-control interface's input report length.
constexpr int kMatrixReportLength = 505;
constexpr int kLedReportLength = 42;
constexpr int kColorReportLength = 127;
constexpr int kMacroReportLength = 1921;
constexpr int kNotifyInputLength = 3;
constexpr uint8_t kMatrixReportId = 9;
constexpr uint8_t kLedReportId = 10;
constexpr uint8_t kColorReportId = 11;
constexpr uint8_t kMacroReportId = 12;

constexpr int kVendorUsagePage = 0xFF00;
constexpr int kConsumerUsagePage = 12;

// The library file in the program folder: libHidPort.so, or libHidPortSim.so to talk to
// the simulated keyboard.
std::string HidLibraryPath(const std::string& programFolder, bool simulate);

// The simulated keyboard keeps its memory in $TASTOR_SIM_DIR. Unless that is set already,
// points it at userDataFolder + "sim/". Called before the simulator is loaded, while the
// program has one thread.
void PrepareSimulatorFolder(const std::string& userDataFolder);

// The device id string: "VID_%04X&PID_%04X" with the VID and PID settings.
std::u16string DeviceIdString(const AppSettings& settings);

// The keyboard's consumer-control interface, opened and closed with the four vendor
// interfaces. Nothing reads from it.
extern std::atomic<HidHandle> g_hNotify;

// One interface of an attached keyboard as the library offers it (for diagnostics).
struct HidInterfaceSummary {
  int keyboard = 0;  // 0 for the first keyboard, 1 for a second identical one, ...
  int usagePage = 0;
  int usage = 0;
  int inputLength = 0;
  int outputLength = 0;
  int featureLength = 0;
};

class CUSBDriver {
 public:
  // How the last FindDev ended.
  enum class FindResult {
    NotSearched,
    Found,
    NoLibrary,        // the library is not loaded
    Absent,           // no interface of the keyboard
    Incomplete,       // some of the four interfaces, not all
    NoPermission,     // the keyboard is attached, but the user may not open it
    ProductMismatch,  // MatchStr is set and the product string differs
  };

  // The driver looks for and talks to the keyboard the settings describe (VID, PID,
  // MatchStr, USBString, Debug); the apply code reads the key table and the lighting
  // description through Config(). The settings must outlive the driver.
  explicit CUSBDriver(const AppSettings& settings);
  virtual ~CUSBDriver();
  const AppSettings& Config() const { return settings_; }
  CUSBDriver(const CUSBDriver&) = delete;
  CUSBDriver& operator=(const CUSBDriver&) = delete;

  // Loads HidPort (or, with simulate, HidPortSim) from the program folder and resolves
  // its entry points. 1 on success; 0 with "load dll failed." in the log.
  int LoadDriver(const std::string& programFolder, bool simulate);
  // The same with the library's full path.
  int LoadDriverFile(const std::string& path);
  bool Loaded() const { return module_ != nullptr; }

  // Opens the keyboard's four vendor interfaces and its consumer-control interface; 1
  // when the four are open (and, with MatchStr, the product string matches), else 0 with
  // every handle closed.
  int FindDev();
  // Closes every open handle.
  void ClearHandle();
  // The number of attached keyboards whose LED interface matches.
  int CountKeyboards();

  FindResult LastFindResult() const { return lastFind_.load(); }
  // True when the last FindDev failed because the keyboard may not be opened by this user.
  bool AccessDenied() const { return LastFindResult() == FindResult::NoPermission; }

  // The product string FindDev compared last (with MatchStr set), for diagnostics. Read
  // on the thread that calls FindDev.
  const std::u16string& LastProductString() const { return lastProduct_; }

  // Every interface of the attached keyboards with the vendor or consumer-control usage,
  // with its report lengths; nothing is opened.
  std::vector<HidInterfaceSummary> ListInterfaces();
  // The product string of the open matrix interface, or empty.
  std::u16string MatrixProductString();

  // One transfer try on a handle under the handle guard; 1 on success, else 0 with the
  // library's error code in *error (ENOSYS when the library lacks the entry point).
  int SetFeatureOnce(HidHandle handle, const uint8_t* report, uint32_t length, int* error);
  int GetFeatureOnce(HidHandle handle, uint8_t* report, uint32_t length, int* error);

  // The pause between two tries of SendCommand and GetCommand (200 ms).
  void SetRetryPause(std::chrono::milliseconds pause) { retryPauseMs_.store(pause.count()); }
  std::chrono::milliseconds RetryPause() const { return std::chrono::milliseconds(retryPauseMs_.load()); }

  // The four vendor interfaces, 0 when closed.
  std::atomic<HidHandle> m_hMatrix{0};
  std::atomic<HidHandle> m_hLed{0};
  std::atomic<HidHandle> m_hColor{0};
  std::atomic<HidHandle> m_hMacro{0};

 private:
  const AppSettings& settings_;
  HidHandle Open(int usagePage, int usage, HidFilter filter, int logLevel, uint32_t access, int* counter,
                 int* error);
  void CloseAll();  // with the handle guard held exclusively
  void Unload();

  std::unique_ptr<DynamicLibrary> module_;
  OpenHidDeviceFn OpenHidDevice_ = nullptr;
  SetFeatureFn SetFeature_ = nullptr;
  GetFeatureFn GetFeature_ = nullptr;
  GetInputReportFn GetInputReport_ = nullptr;
  GetProductStringFn GetProductString_ = nullptr;
  CloseHidDeviceFn CloseHidDevice_ = nullptr;
  HidLastErrorFn HidLastError_ = nullptr;

  std::shared_mutex handleGuard_;
  std::atomic<FindResult> lastFind_{FindResult::NotSearched};
  std::atomic<int64_t> retryPauseMs_{200};
  std::u16string lastProduct_;
};

// Sends one feature report: report id, then payloadLength bytes of payload, composed in
// the caller's work buffer. Three tries, a retry pause apart; after the third failure
// logs "SendCommand err=%d". 1 or 0. A payload that does not fit the work buffer fails
// at once.
int SendCommand(uint8_t reportId, int payloadLength, std::span<uint8_t> work, CUSBDriver* driver, HidHandle handle,
                const uint8_t* payload);
// Reads one feature report's payloadLength bytes of payload into payloadOut, the same
// way; after the third failure logs "GetCommand err=%d".
int GetCommand(uint8_t reportId, std::span<uint8_t> work, uint8_t* payloadOut, CUSBDriver* driver, HidHandle handle,
               int payloadLength);
// The system error code of the calling thread's last SendCommand or GetCommand (0 after
// a success).
int LastTransferError();
