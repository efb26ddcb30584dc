// SPDX-License-Identifier: GPL-2.0-or-later
#include "device/usb_driver.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "base/log.h"
#include "base/settings.h"
#include "text/utf.h"

std::atomic<HidHandle> g_hNotify{0};

namespace {

constexpr int kTries = 3;
constexpr std::size_t kProductChars = 260;

thread_local int t_transferError = 0;

// The filters that pick each interface by its report length.
int MatrixFilter(int, int, int, int featureLength) { return featureLength == kMatrixReportLength; }
int LedFilter(int, int, int, int featureLength) { return featureLength == kLedReportLength; }
int ColorFilter(int, int, int, int featureLength) { return featureLength == kColorReportLength; }
int MacroFilter(int, int, int, int featureLength) { return featureLength == kMacroReportLength; }
int NotifyFilter(int, int inputLength, int, int) { return inputLength == kNotifyInputLength; }

// ListInterfaces offers a filter that accepts nothing and notes what it is shown. The
// filter has no context argument, so the list being filled is the calling thread's.
thread_local std::vector<HidInterfaceSummary>* t_listing = nullptr;
thread_local int t_listingPage = 0;
thread_local int t_listingUsage = 0;

int ListingFilter(int keyboard, int inputLength, int outputLength, int featureLength) {
  if (t_listing != nullptr) {
    t_listing->push_back({keyboard, t_listingPage, t_listingUsage, inputLength, outputLength, featureLength});
  }
  return 0;
}

unsigned Hex(HidHandle handle) { return static_cast<unsigned>(handle); }

}  // namespace

std::string HidLibraryPath(const std::string& programFolder, bool simulate) {
  return programFolder + SharedLibraryFileName(simulate ? "HidPortSim" : "HidPort");
}

void PrepareSimulatorFolder(const std::string& userDataFolder) {
  const char* current = std::getenv("TASTOR_SIM_DIR");
  if ((current != nullptr && *current != 0) || userDataFolder.empty()) return;
  ::setenv("TASTOR_SIM_DIR", (userDataFolder + "sim/").c_str(), 1);
}

std::u16string DeviceIdString(const AppSettings& settings) {
  char id[40];
  std::snprintf(id, sizeof id, "VID_%04X&PID_%04X", settings.VID, settings.PID);
  return FromUtf8(id);
}

CUSBDriver::CUSBDriver(const AppSettings& settings) : settings_(settings) {}

CUSBDriver::~CUSBDriver() {
  ClearHandle();
  Unload();
}

void CUSBDriver::Unload() {
  OpenHidDevice_ = nullptr;
  SetFeature_ = nullptr;
  GetFeature_ = nullptr;
  GetInputReport_ = nullptr;
  GetProductString_ = nullptr;
  CloseHidDevice_ = nullptr;
  HidLastError_ = nullptr;
  module_.reset();
}

int CUSBDriver::LoadDriver(const std::string& programFolder, bool simulate) {
  return LoadDriverFile(HidLibraryPath(programFolder, simulate));
}

int CUSBDriver::LoadDriverFile(const std::string& path) {
  // Loading again gives back the handles of the library bound so far.
  if (module_) ClearHandle();
  Unload();
  std::string error;
  module_ = DynamicLibrary::Open(path, &error);
  if (module_) {
    OpenHidDevice_ = module_->Resolve<OpenHidDeviceFn>("OpenHidDevice");
    SetFeature_ = module_->Resolve<SetFeatureFn>("SetFeature");
    GetFeature_ = module_->Resolve<GetFeatureFn>("GetFeature");
    GetInputReport_ = module_->Resolve<GetInputReportFn>("GetInputReport");
    GetProductString_ = module_->Resolve<GetProductStringFn>("GetProductString");
    CloseHidDevice_ = module_->Resolve<CloseHidDeviceFn>("CloseHidDevice");
    HidLastError_ = module_->Resolve<HidLastErrorFn>("HidLastError");
  } else {
    WriteLog("LoadLibrary %s: %s", path.c_str(), error.c_str());
  }
  // Without its close call a library's handles could never be given back: it is as
  // unusable as one without OpenHidDevice.
  if (!module_ || !OpenHidDevice_ || !SetFeature_ || !GetProductString_ || !CloseHidDevice_) {
    WriteLog("load dll failed.");
    Unload();
    return 0;
  }
  return 1;
}

HidHandle CUSBDriver::Open(int usagePage, int usage, HidFilter filter, int logLevel, uint32_t access, int* counter,
                           int* error) {
  *error = ENOSYS;
  if (counter != nullptr) *counter = 0;
  if (OpenHidDevice_ == nullptr) return 0;
  const std::u16string id = DeviceIdString(settings_);
  const HidHandle handle = OpenHidDevice_(usagePage, usage, id.c_str(), filter, 0, 0, logLevel, access,
                                          HIDPORT_FLAGS_DEFAULT, counter);
  *error = handle != 0 ? 0 : HidLastError_ != nullptr ? HidLastError_() : ENODEV;
  return handle;
}

void CUSBDriver::CloseAll() {
  WriteLog("ClearHandle");
  for (std::atomic<HidHandle>* slot : {&m_hMatrix, &m_hLed, &m_hColor, &m_hMacro, &g_hNotify}) {
    const HidHandle handle = slot->exchange(0);
    if (handle != 0 && CloseHidDevice_ != nullptr) CloseHidDevice_(handle);
  }
}

void CUSBDriver::ClearHandle() {
  std::unique_lock<std::shared_mutex> guard(handleGuard_);
  CloseAll();
}

int CUSBDriver::FindDev() {
  // Transfers wait while the handles change.
  std::unique_lock<std::shared_mutex> guard(handleGuard_);
  CloseAll();
  lastProduct_.clear();
  const std::string id = ToUtf8(DeviceIdString(settings_));
  WriteLog("FindDev: looking for %s", id.c_str());

  int errors[4] = {};
  m_hMatrix = Open(kVendorUsagePage, 1, MatrixFilter, settings_.Debug, 0, nullptr, &errors[0]);
  m_hLed = Open(kVendorUsagePage, 1, LedFilter, 0, 0, nullptr, &errors[1]);
  m_hColor = Open(kVendorUsagePage, 1, ColorFilter, 0, 0, nullptr, &errors[2]);
  m_hMacro = Open(kVendorUsagePage, 1, MacroFilter, 0, 0, nullptr, &errors[3]);
  int notifyError = 0;
  g_hNotify = Open(kConsumerUsagePage, 1, NotifyFilter, 0, HIDPORT_ACCESS_READ_WRITE, nullptr, &notifyError);
  WriteLog("m_hMatrix=0x%x, m_hLed=0x%x, m_hColor=0x%x, m_hMacro=0x%x, g_hNotify=0x%x", Hex(m_hMatrix),
           Hex(m_hLed), Hex(m_hColor), Hex(m_hMacro), Hex(g_hNotify));

  const bool allOpen = m_hMatrix != 0 && m_hLed != 0 && m_hColor != 0 && m_hMacro != 0;
  if (allOpen) {
    if (settings_.MatchStr == 0) {
      lastFind_ = FindResult::Found;
      return 1;
    }
    char16_t product[kProductChars] = {};
    GetProductString_(m_hMatrix, product, kProductChars);
    product[kProductChars - 1] = 0;
    const std::u16string expected = settings_.USBString.empty() ? u"Gaming Mouse" : settings_.USBString;
    lastProduct_ = product;
    WriteLog("Usb String=%s, Our Str=%s", ToUtf8(product).c_str(), ToUtf8(expected).c_str());
    if (EqualsIgnoreCase(product, expected)) {
      lastFind_ = FindResult::Found;
      return 1;
    }
    lastFind_ = FindResult::ProductMismatch;
  } else if (OpenHidDevice_ == nullptr) {
    lastFind_ = FindResult::NoLibrary;
  } else if (std::find(std::begin(errors), std::end(errors), EACCES) != std::end(errors)) {
    // The keyboard is there, but this user may not open it: say so rather than "absent".
    WriteLog("FindDev: no permission to open %s, err=%d", id.c_str(), EACCES);
    lastFind_ = FindResult::NoPermission;
  } else if (m_hMatrix != 0 || m_hLed != 0 || m_hColor != 0 || m_hMacro != 0) {
    lastFind_ = FindResult::Incomplete;
  } else {
    lastFind_ = FindResult::Absent;
  }
  CloseAll();
  return 0;
}

int CUSBDriver::CountKeyboards() {
  int count = 0;
  int error = 0;
  const HidHandle handle = Open(kVendorUsagePage, 1, LedFilter, 0, 0, &count, &error);
  // Only the count is wanted; the interface opened on the way is given back at once.
  if (handle != 0 && CloseHidDevice_ != nullptr) CloseHidDevice_(handle);
  return count;
}

std::vector<HidInterfaceSummary> CUSBDriver::ListInterfaces() {
  std::vector<HidInterfaceSummary> list;
  t_listing = &list;
  for (const auto& [page, usage] : {std::pair{kVendorUsagePage, 1}, std::pair{kConsumerUsagePage, 1}}) {
    t_listingPage = page;
    t_listingUsage = usage;
    int error = 0;
    const HidHandle handle = Open(page, usage, ListingFilter, 0, 0, nullptr, &error);
    if (handle != 0 && CloseHidDevice_ != nullptr) CloseHidDevice_(handle);
  }
  t_listing = nullptr;
  std::stable_sort(list.begin(), list.end(),
                   [](const HidInterfaceSummary& a, const HidInterfaceSummary& b) { return a.keyboard < b.keyboard; });
  return list;
}

std::u16string CUSBDriver::MatrixProductString() {
  std::shared_lock<std::shared_mutex> guard(handleGuard_);
  const HidHandle handle = m_hMatrix;
  if (handle == 0 || GetProductString_ == nullptr) return {};
  char16_t product[kProductChars] = {};
  GetProductString_(handle, product, kProductChars);
  product[kProductChars - 1] = 0;
  return product;
}

int CUSBDriver::SetFeatureOnce(HidHandle handle, const uint8_t* report, uint32_t length, int* error) {
  std::shared_lock<std::shared_mutex> guard(handleGuard_);
  if (SetFeature_ == nullptr) {
    *error = ENOSYS;
    return 0;
  }
  if (SetFeature_(handle, report, length) != 0) {
    *error = 0;
    return 1;
  }
  *error = HidLastError_ != nullptr ? HidLastError_() : EIO;
  return 0;
}

int CUSBDriver::GetFeatureOnce(HidHandle handle, uint8_t* report, uint32_t length, int* error) {
  std::shared_lock<std::shared_mutex> guard(handleGuard_);
  if (GetFeature_ == nullptr) {
    *error = ENOSYS;
    return 0;
  }
  if (GetFeature_(handle, report, length) != 0) {
    *error = 0;
    return 1;
  }
  *error = HidLastError_ != nullptr ? HidLastError_() : EIO;
  return 0;
}

namespace {

// Up to three tries of one transfer, each failure followed by the retry pause. A missing
// entry point cannot succeed on a later try, so it ends the tries at once.
template <typename Try>
int WithRetries(CUSBDriver* driver, Try attempt) {
  int error = 0;
  for (int i = 0; i < kTries; ++i) {
    if (attempt(&error)) return 1;
    if (error == ENOSYS) break;
    std::this_thread::sleep_for(driver->RetryPause());
  }
  t_transferError = error;
  return 0;
}

// The work buffer holds the report id and the payload.
bool Fits(std::span<uint8_t> work, int payloadLength) {
  return payloadLength >= 0 && static_cast<std::size_t>(payloadLength) + 1 <= work.size();
}

}  // namespace

int SendCommand(uint8_t reportId, int payloadLength, std::span<uint8_t> work, CUSBDriver* driver, HidHandle handle,
                const uint8_t* payload) {
  if (!work.empty()) work[0] = 0;
  if (payload == nullptr) return 0;
  if (driver == nullptr || !Fits(work, payloadLength)) {
    t_transferError = EINVAL;
    WriteLog("SendCommand err=%d", EINVAL);
    return 0;
  }
  const auto length = static_cast<std::size_t>(payloadLength);
  std::memmove(work.data() + 1, payload, length);
  work[0] = reportId;
  if (WithRetries(driver, [&](int* error) {
        return driver->SetFeatureOnce(handle, work.data(), static_cast<uint32_t>(length + 1), error);
      })) {
    t_transferError = 0;
    return 1;
  }
  WriteLog("SendCommand err=%d", t_transferError);
  return 0;
}

int GetCommand(uint8_t reportId, std::span<uint8_t> work, uint8_t* payloadOut, CUSBDriver* driver, HidHandle handle,
               int payloadLength) {
  if (!work.empty()) work[0] = 0;
  if (payloadOut == nullptr) return 0;
  if (driver == nullptr || !Fits(work, payloadLength)) {
    t_transferError = EINVAL;
    WriteLog("GetCommand err=%d", EINVAL);
    return 0;
  }
  const auto length = static_cast<std::size_t>(payloadLength);
  if (WithRetries(driver, [&](int* error) {
        work[0] = reportId;
        return driver->GetFeatureOnce(handle, work.data(), static_cast<uint32_t>(length + 1), error);
      })) {
    std::memcpy(payloadOut, work.data() + 1, length);
    t_transferError = 0;
    return 1;
  }
  WriteLog("GetCommand err=%d", t_transferError);
  return 0;
}

int LastTransferError() { return t_transferError; }
