// SPDX-License-Identifier: GPL-2.0-or-later
// CUSBDriver against the simulated keyboard library, loaded by path from the build's
// program folder: finding the keyboard, the product string rule, counting keyboards,
// transfers with their retries, the report memory, and the handle guard.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "app/program_settings.h"
#include "base/log.h"
#include "device/usb_driver.h"
#include "tests/support/test_support.h"

using namespace std::chrono_literals;

namespace {

// Log lines, from whichever thread wrote them.
std::mutex g_logMutex;
std::vector<std::string> g_log;
void Capture(const char* text) {
  std::lock_guard<std::mutex> lock(g_logMutex);
  g_log.emplace_back(text);
}

const char* kSimVariables[] = {"TASTOR_SIM_DIR",         "TASTOR_SIM_ABSENT",         "TASTOR_SIM_KEYBOARDS",
                               "TASTOR_SIM_NO_CONSUMER", "TASTOR_SIM_PRODUCT",        "TASTOR_SIM_FAIL_TRANSFERS",
                               "TASTOR_SIM_NO_PERMISSION"};

std::vector<uint8_t> Pattern(std::size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 3);
  return v;
}

class UsbDriverSim : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Settings();
    Settings().VID = 0x2F68;
    Settings().PID = 0x0A17;
    Settings().MatchStr = 0;
    Settings().USBString.clear();
    Settings().Debug = 0;
    for (const char* name : kSimVariables) ::unsetenv(name);
    ::setenv("TASTOR_SIM_DIR", SimDir().c_str(), 1);
    g_log.clear();
    SetDebugOutput(Capture);
    InitLog(1);
  }
  void TearDown() override {
    InitLog(0);
    SetDebugOutput(nullptr);
    for (const char* name : kSimVariables) ::unsetenv(name);
    Settings() = saved_;
  }

  std::string SimDir() const { return dir_.path() + "sim/"; }
  static std::string SimLibrary() { return BinDir() + "libHidPortSim.so"; }
  // A driver bound to the simulator, with a short retry pause unless the test wants the real one.
  std::unique_ptr<CUSBDriver> Driver(std::chrono::milliseconds pause = 1ms) {
    auto driver = std::make_unique<CUSBDriver>(Settings());
    EXPECT_EQ(driver->LoadDriverFile(SimLibrary()), 1);
    driver->SetRetryPause(pause);
    return driver;
  }
  bool Logged(const std::string& line) const {
    return std::find(g_log.begin(), g_log.end(), line) != g_log.end();
  }
  static bool AllClosed(const CUSBDriver& d) {
    return d.m_hMatrix == 0 && d.m_hLed == 0 && d.m_hColor == 0 && d.m_hMacro == 0 && g_hNotify == 0;
  }

  TempDir dir_;
  AppSettings saved_;
  std::vector<uint8_t> work_ = std::vector<uint8_t>(2048);
};

}  // namespace

TEST_F(UsbDriverSim, MissingOrIncompleteLibraryFailsToLoadAndFindsNothing) {
  CUSBDriver driver(Settings());
  EXPECT_EQ(driver.LoadDriverFile(dir_.path() + "libHidPort.so"), 0);
  EXPECT_TRUE(Logged("load dll failed."));
  g_log.clear();
  EXPECT_EQ(driver.LoadDriverFile(TASTOR_PARTIAL_HOOK), 0);  // a library without the entry points
  EXPECT_TRUE(Logged("load dll failed."));
  EXPECT_FALSE(driver.Loaded());
  EXPECT_EQ(driver.FindDev(), 0);
  EXPECT_EQ(driver.LastFindResult(), CUSBDriver::FindResult::NoLibrary);
  EXPECT_EQ(driver.CountKeyboards(), 0);
  const uint8_t payload[41] = {};
  EXPECT_EQ(SendCommand(kLedReportId, 41, work_, &driver, 1, payload), 0);
}

TEST_F(UsbDriverSim, LibraryAndSimulatorFolderComeFromTheProgramsFolders) {
  EXPECT_EQ(HidLibraryPath("/opt/tastor/", true), "/opt/tastor/libHidPortSim.so");
  EXPECT_EQ(HidLibraryPath("/opt/tastor/", false), "/opt/tastor/libHidPort.so");
  ::unsetenv("TASTOR_SIM_DIR");
  PrepareSimulatorFolder("");
  EXPECT_EQ(std::getenv("TASTOR_SIM_DIR"), nullptr);
  PrepareSimulatorFolder("/home/u/.local/share/Tastor/");
  EXPECT_STREQ(std::getenv("TASTOR_SIM_DIR"), "/home/u/.local/share/Tastor/sim/");
  PrepareSimulatorFolder("/elsewhere/");  // a folder already given is kept
  EXPECT_STREQ(std::getenv("TASTOR_SIM_DIR"), "/home/u/.local/share/Tastor/sim/");
}

TEST_F(UsbDriverSim, FindDevOpensTheFourInterfacesAndTheConsumerControl) {
  auto driver = Driver();
  ASSERT_EQ(driver->FindDev(), 1);
  EXPECT_EQ(driver->LastFindResult(), CUSBDriver::FindResult::Found);
  const HidHandle handles[] = {driver->m_hMatrix, driver->m_hLed, driver->m_hColor, driver->m_hMacro, g_hNotify};
  for (HidHandle h : handles) EXPECT_NE(h, 0u);
  EXPECT_EQ(std::set<HidHandle>(std::begin(handles), std::end(handles)).size(), 5u);

  ASSERT_GE(g_log.size(), 3u);
  EXPECT_EQ(g_log[0], "ClearHandle");
  EXPECT_EQ(g_log[1], "FindDev: looking for VID_2F68&PID_0A17");
  char expected[160];
  std::snprintf(expected, sizeof expected, "m_hMatrix=0x%x, m_hLed=0x%x, m_hColor=0x%x, m_hMacro=0x%x, g_hNotify=0x%x",
                unsigned(handles[0]), unsigned(handles[1]), unsigned(handles[2]), unsigned(handles[3]),
                unsigned(handles[4]));
  EXPECT_EQ(g_log[2], expected);

  // The interfaces are the ones their filters asked for: each takes its own report.
  const auto led = Pattern(41, 1);
  EXPECT_EQ(SendCommand(kLedReportId, 41, work_, driver.get(), driver->m_hLed, led.data()), 1);
  EXPECT_EQ(SendCommand(kLedReportId, 41, work_, driver.get(), driver->m_hMatrix, led.data()), 0);
  EXPECT_EQ(LastTransferError(), EINVAL);

  const HidHandle matrix = driver->m_hMatrix;
  driver->ClearHandle();
  EXPECT_TRUE(AllClosed(*driver));
  EXPECT_EQ(g_log.back(), "ClearHandle");
  // A transfer on a handle closed meanwhile fails like any other.
  EXPECT_EQ(SendCommand(kMatrixReportId, 504, work_, driver.get(), matrix, Pattern(504, 0).data()), 0);
  EXPECT_EQ(LastTransferError(), EBADF);
}

TEST_F(UsbDriverSim, AbsentKeyboardAndMissingConsumerInterface) {
  auto driver = Driver();
  ::setenv("TASTOR_SIM_ABSENT", "1", 1);
  EXPECT_EQ(driver->FindDev(), 0);
  EXPECT_EQ(driver->LastFindResult(), CUSBDriver::FindResult::Absent);
  EXPECT_TRUE(AllClosed(*driver));
  EXPECT_TRUE(Logged("m_hMatrix=0x0, m_hLed=0x0, m_hColor=0x0, m_hMacro=0x0, g_hNotify=0x0"));
  EXPECT_EQ(g_log.back(), "ClearHandle");
  EXPECT_EQ(driver->CountKeyboards(), 0);
  EXPECT_TRUE(driver->ListInterfaces().empty());

  ::unsetenv("TASTOR_SIM_ABSENT");
  ::setenv("TASTOR_SIM_NO_CONSUMER", "1", 1);
  EXPECT_EQ(driver->FindDev(), 1);  // the consumer-control interface is not required
  EXPECT_EQ(g_hNotify, 0u);
  EXPECT_NE(driver->m_hMacro, 0u);
  EXPECT_EQ(driver->ListInterfaces().size(), 4u);
}

TEST_F(UsbDriverSim, ProductStringRuleWithMatchStr) {
  auto driver = Driver();
  Settings().MatchStr = 1;
  ::setenv("TASTOR_SIM_PRODUCT", "gAMING mOUSE", 1);
  EXPECT_EQ(driver->FindDev(), 1);  // empty USBString expects "Gaming Mouse", any letter case
  EXPECT_TRUE(Logged("Usb String=gAMING mOUSE, Our Str=Gaming Mouse"));

  ::unsetenv("TASTOR_SIM_PRODUCT");  // "Tastor TK-105"
  EXPECT_EQ(driver->FindDev(), 0);
  EXPECT_EQ(driver->LastFindResult(), CUSBDriver::FindResult::ProductMismatch);
  EXPECT_EQ(driver->LastProductString(), u"Tastor TK-105");
  EXPECT_TRUE(AllClosed(*driver));

  Settings().USBString = u"TASTOR tk-105";
  EXPECT_EQ(driver->FindDev(), 1);
  Settings().MatchStr = 0;
  Settings().USBString = u"something else";
  EXPECT_EQ(driver->FindDev(), 1);  // without MatchStr the string is not read
}

TEST_F(UsbDriverSim, TwoKeyboardsAreCountedAndOneIsOpened) {
  auto driver = Driver();
  EXPECT_EQ(driver->CountKeyboards(), 1);
  ::setenv("TASTOR_SIM_KEYBOARDS", "2", 1);
  EXPECT_EQ(driver->CountKeyboards(), 2);
  EXPECT_EQ(driver->FindDev(), 1);
  const auto list = driver->ListInterfaces();
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list.front().keyboard, 0);
  EXPECT_EQ(list.back().keyboard, 1);
  EXPECT_EQ(list[4].usagePage, kConsumerUsagePage);
  EXPECT_EQ(list[4].inputLength, 3);
}

TEST_F(UsbDriverSim, PermissionDeniedIsToldApartFromAbsence) {
  auto driver = Driver();
  ::setenv("TASTOR_SIM_NO_PERMISSION", "1", 1);
  EXPECT_EQ(driver->FindDev(), 0);
  EXPECT_TRUE(driver->AccessDenied());
  EXPECT_TRUE(AllClosed(*driver));
  EXPECT_TRUE(Logged("FindDev: no permission to open VID_2F68&PID_0A17, err=13"));
  EXPECT_EQ(driver->CountKeyboards(), 1);  // it is attached
}

TEST_F(UsbDriverSim, SendCommandSucceedsOnTheThirdTryAfter400ms) {
  auto driver = Driver(200ms);  // the real pause
  ::setenv("TASTOR_SIM_FAIL_TRANSFERS", "2", 1);
  ASSERT_EQ(driver->FindDev(), 1);
  const auto led = Pattern(41, 5);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SendCommand(kLedReportId, 41, work_, driver.get(), driver->m_hLed, led.data()), 1);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 400ms);
  EXPECT_LT(waited, 600ms);
  EXPECT_EQ(LastTransferError(), 0);
  EXPECT_EQ(ReadFile(SimDir() + "report-10.bin"), std::string(led.begin(), led.end()));
  EXPECT_EQ(work_[0], kLedReportId);
}

TEST_F(UsbDriverSim, TransfersGiveUpAfterThreeFailures) {
  auto driver = Driver();
  ::setenv("TASTOR_SIM_FAIL_TRANSFERS", "3", 1);
  ASSERT_EQ(driver->FindDev(), 1);
  const auto matrix = Pattern(504, 9);
  EXPECT_EQ(SendCommand(kMatrixReportId, 504, work_, driver.get(), driver->m_hMatrix, matrix.data()), 0);
  EXPECT_EQ(LastTransferError(), EIO);
  EXPECT_EQ(g_log.back(), "SendCommand err=5");
  EXPECT_FALSE(std::filesystem::exists(SimDir() + "report-09.bin"));
  // Exactly three tries were spent: the interface's fourth transfer succeeds.
  EXPECT_EQ(SendCommand(kMatrixReportId, 504, work_, driver.get(), driver->m_hMatrix, matrix.data()), 1);

  std::vector<uint8_t> colour(126);
  EXPECT_EQ(GetCommand(kColorReportId, work_, colour.data(), driver.get(), driver->m_hColor, 126), 0);
  EXPECT_EQ(g_log.back(), "GetCommand err=5");
}

TEST_F(UsbDriverSim, GetCommandReadsBackWhatWasSentThroughTheMemoryFiles) {
  auto driver = Driver();
  ASSERT_EQ(driver->FindDev(), 1);
  std::vector<uint8_t> led(41);
  ASSERT_EQ(GetCommand(kLedReportId, work_, led.data(), driver.get(), driver->m_hLed, 41), 1);
  EXPECT_EQ((std::vector<uint8_t>(led.begin(), led.begin() + 4)), (std::vector<uint8_t>{1, 1, 3, 5}));
  std::vector<uint8_t> matrix(504, 0xEE);
  ASSERT_EQ(GetCommand(kMatrixReportId, work_, matrix.data(), driver.get(), driver->m_hMatrix, 504), 1);
  EXPECT_EQ(matrix, std::vector<uint8_t>(504, 0));  // nothing written yet: zeros

  const auto macro = Pattern(1920, 42);
  ASSERT_EQ(SendCommand(kMacroReportId, 1920, work_, driver.get(), driver->m_hMacro, macro.data()), 1);
  EXPECT_EQ(ReadFile(SimDir() + "report-12.bin"), std::string(macro.begin(), macro.end()));
  std::vector<uint8_t> back(1920);
  ASSERT_EQ(GetCommand(kMacroReportId, work_, back.data(), driver.get(), driver->m_hMacro, 1920), 1);
  EXPECT_EQ(back, macro);

  // The files are the memory: changed while the keyboard is away, they are what it returns.
  driver->ClearHandle();
  const auto edited = Pattern(126, 77);
  WriteFile(SimDir() + "report-11.bin", std::string(edited.begin(), edited.end()));
  ASSERT_EQ(driver->FindDev(), 1);
  std::vector<uint8_t> colour(126);
  ASSERT_EQ(GetCommand(kColorReportId, work_, colour.data(), driver.get(), driver->m_hColor, 126), 1);
  EXPECT_EQ(colour, edited);
}

TEST_F(UsbDriverSim, MemoryPersistsBetweenTwoLoads) {
  const auto matrix = Pattern(504, 3);
  {
    auto first = Driver();
    ASSERT_EQ(first->FindDev(), 1);
    ASSERT_EQ(SendCommand(kMatrixReportId, 504, work_, first.get(), first->m_hMatrix, matrix.data()), 1);
  }
  auto second = Driver();
  ASSERT_EQ(second->FindDev(), 1);
  std::vector<uint8_t> back(504);
  ASSERT_EQ(GetCommand(kMatrixReportId, work_, back.data(), second.get(), second->m_hMatrix, 504), 1);
  EXPECT_EQ(back, matrix);

  // Copied elsewhere, the files alone carry the memory.
  TempDir other;
  std::filesystem::copy(SimDir(), other.path() + "sim");
  ::setenv("TASTOR_SIM_DIR", (other.path() + "sim").c_str(), 1);
  second->ClearHandle();
  ASSERT_EQ(second->FindDev(), 1);
  std::fill(back.begin(), back.end(), 0);
  ASSERT_EQ(GetCommand(kMatrixReportId, work_, back.data(), second.get(), second->m_hMatrix, 504), 1);
  EXPECT_EQ(back, matrix);
}

TEST_F(UsbDriverSim, PayloadsAreCheckedAgainstTheWorkBuffer) {
  auto driver = Driver();
  ASSERT_EQ(driver->FindDev(), 1);
  work_[0] = 0x55;
  EXPECT_EQ(SendCommand(kLedReportId, 41, work_, driver.get(), driver->m_hLed, nullptr), 0);
  EXPECT_EQ(work_[0], 0);  // the first byte is cleared before anything else
  std::vector<uint8_t> small(100);
  const auto matrix = Pattern(504, 1);
  EXPECT_EQ(SendCommand(kMatrixReportId, 504, small, driver.get(), driver->m_hMatrix, matrix.data()), 0);
  EXPECT_EQ(LastTransferError(), EINVAL);
  std::vector<uint8_t> out(504);
  EXPECT_EQ(GetCommand(kMatrixReportId, small, out.data(), driver.get(), driver->m_hMatrix, 504), 0);
  EXPECT_EQ(SendCommand(kLedReportId, -1, work_, driver.get(), driver->m_hLed, matrix.data()), 0);
  EXPECT_FALSE(std::filesystem::exists(SimDir() + "report-09.bin"));
}

TEST_F(UsbDriverSim, TransfersOnTheWorkerAndHandleChangesOnTheUiThreadDoNotCollide) {
  auto driver = Driver(0ms);
  ASSERT_EQ(driver->FindDev(), 1);
  std::atomic<bool> stop{false};
  std::atomic<int> succeeded{0}, failed{0};
  std::thread worker([&] {
    std::vector<uint8_t> work(2048);
    const auto led = Pattern(41, 8);
    while (!stop) {
      (SendCommand(kLedReportId, 41, work, driver.get(), driver->m_hLed, led.data()) ? succeeded : failed)++;
    }
  });
  for (int i = 0; i < 30; ++i) {
    driver->ClearHandle();
    ASSERT_EQ(driver->FindDev(), 1);
    std::this_thread::sleep_for(1ms);
  }
  stop = true;
  worker.join();
  EXPECT_GT(succeeded.load(), 0);
  const auto led = Pattern(41, 8);
  EXPECT_EQ(ReadFile(SimDir() + "report-10.bin"), std::string(led.begin(), led.end()));
}
