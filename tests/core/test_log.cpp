// SPDX-License-Identifier: GPL-2.0-or-later
// The diagnostic log: writers by mode, the file rules, hex dumps and the info box.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "base/log.h"
#include "tests/support/test_support.h"

namespace {

std::vector<std::string> g_debugLines;
void RecordDebug(const char* text) { g_debugLines.emplace_back(text); }

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_DESKTOP_DIR", desktop_.path().c_str(), 1);
    g_debugLines.clear();
    SetDebugOutput(RecordDebug);
  }
  void TearDown() override {
    InitLog(0);
    SetDebugOutput(nullptr);
    ::setenv("XDG_DESKTOP_DIR", (TestHome() + "/Desktop").c_str(), 1);
  }
  std::string LogFile() const { return desktop_.path() + "Log.txt"; }
  TempDir desktop_;
};

TEST_F(LogTest, ModeZeroWritesNothingAnywhere) {
  InitLog(0);
  WriteLog("hello %d", 1);
  const uint8_t bytes[3] = {1, 2, 3};
  LogHexDump(bytes, 3, 10, "X");
  EXPECT_TRUE(g_debugLines.empty());
  EXPECT_FALSE(std::ifstream(LogFile()).good());
}

TEST_F(LogTest, ModeOneGoesToTheDebuggerOutputWithoutTimeStamps) {
  InitLog(1);
  WriteLog("value=%d, name=%s", 42, "K\xC3\xA9y");
  ASSERT_EQ(1u, g_debugLines.size());
  EXPECT_EQ("value=42, name=K\xC3\xA9y", g_debugLines[0]);
  EXPECT_FALSE(std::ifstream(LogFile()).good());
  EXPECT_EQ(desktop_.path() + "Log.txt", LogPath());
}

TEST_F(LogTest, ModeTwoAppendsStampedEntriesToTheFile) {
  InitLog(2);
  WriteLog("first");
  WriteLog("second %s", "entry");
  EXPECT_TRUE(g_debugLines.empty());
  const std::string text = ReadFile(LogFile());
  EXPECT_TRUE(std::regex_match(text, std::regex("\r\n[0-5][0-9]:[0-5][0-9]\\.[0-9]{3}   first"
                                                "\r\n[0-5][0-9]:[0-5][0-9]\\.[0-9]{3}   second entry")))
      << text;
}

TEST_F(LogTest, LargeLogIsEmptiedAtStartButOneOfExactlyTheLimitKeepsGrowing) {
  WriteFile(LogFile(), std::string(512001, 'x'));
  InitLog(2);
  EXPECT_EQ(0u, ReadFile(LogFile()).size());

  WriteFile(LogFile(), std::string(512000, 'x'));
  InitLog(2);
  WriteLog("more");
  EXPECT_GT(ReadFile(LogFile()).size(), 512000u);
}

TEST_F(LogTest, UnopenableFileFallsBackToTheDebuggerOutput) {
  ::setenv("XDG_DESKTOP_DIR", (desktop_.path() + "Log.txt").c_str(), 1);  // not a folder
  ::setenv("HOME", (desktop_.path() + "no/such/home").c_str(), 1);
  InitLog(2);
  WriteLog("still logged");
  ::setenv("HOME", TestHome().c_str(), 1);
  ASSERT_EQ(2u, g_debugLines.size());
  EXPECT_EQ("Open Log failed", g_debugLines[0]);
  EXPECT_EQ("still logged", g_debugLines[1]);
}

TEST_F(LogTest, EntriesAreCutAt511Characters) {
  InitLog(1);
  WriteLog("%s", std::string(600, 'a').c_str());
  WriteLog("%s", std::string(600, '\xE4').insert(0, "").c_str());  // not UTF-8: still cut by length
  ASSERT_EQ(2u, g_debugLines.size());
  EXPECT_EQ(511u, g_debugLines[0].size());
}

TEST_F(LogTest, HexDumpLineLayout) {
  InitLog(1);
  std::vector<uint8_t> bytes(20);
  for (int i = 0; i < 20; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<uint8_t>(0xA0 + i);
  LogHexDump(bytes.data(), bytes.size(), 10, "X");
  ASSERT_EQ(3u, g_debugLines.size());
  EXPECT_EQ("\nX a0 a1 a2 a3 a4 a5 a6 a7 a8 a9 ", g_debugLines[0]);
  EXPECT_EQ("X aa ab ac ad ae af b0 b1 b2 b3 ", g_debugLines[1]);
  EXPECT_EQ("X ", g_debugLines[2]);

  g_debugLines.clear();
  LogHexDump(bytes.data(), 3, 2, nullptr);
  ASSERT_EQ(2u, g_debugLines.size());
  EXPECT_EQ("a0 a1 ", g_debugLines[0]);
  EXPECT_EQ("a2 ", g_debugLines[1]);

  g_debugLines.clear();
  LogHexDump(nullptr, 3, 2, "X");
  EXPECT_TRUE(g_debugLines.empty());
}

TEST_F(LogTest, EntriesFromTwoThreadsNeverInterleave) {
  InitLog(2);
  auto writer = [](char c) {
    const std::string body(200, c);
    for (int i = 0; i < 200; ++i) WriteLog("%s", body.c_str());
  };
  std::thread a(writer, 'a'), b(writer, 'b');
  a.join();
  b.join();
  const std::string text = ReadFile(LogFile());
  const std::regex entry("\r\n[0-9]{2}:[0-9]{2}\\.[0-9]{3}   (a{200}|b{200})");
  std::size_t count = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), entry); it != std::sregex_iterator(); ++it) ++count;
  EXPECT_EQ(400u, count);
  EXPECT_EQ(400u * (2 + 12 + 200), text.size());
}

TEST_F(LogTest, DebuggerEntriesFromTwoThreadsAllArriveWhole) {
  // The output here (a vector) is not safe for two threads by itself, as most outputs are
  // not; the log hands it one entry at a time. The output notes when it is entered twice.
  static std::atomic<int> inside{0};
  static std::atomic<bool> overlapped{false};
  SetDebugOutput([](const char* text) {
    if (inside.fetch_add(1) != 0) overlapped = true;
    std::this_thread::yield();
    g_debugLines.emplace_back(text);
    inside.fetch_sub(1);
  });
  InitLog(1);
  auto writer = [](char c) {
    const std::string body(50, c);
    for (int i = 0; i < 2000; ++i) {
      if (i % 2 == 0) WriteLog("%s", body.c_str()); else DebugOutput(body.c_str());
    }
  };
  std::thread a(writer, 'a'), b(writer, 'b');
  a.join();
  b.join();
  EXPECT_FALSE(overlapped.load());
  ASSERT_EQ(4000u, g_debugLines.size());
  for (const std::string& line : g_debugLines) {
    ASSERT_TRUE(line == std::string(50, 'a') || line == std::string(50, 'b')) << line;
  }
}

TEST_F(LogTest, ShowInfoFormatsIntoAnInfoBox) {
  RecordingWindowPort port;
  ShowInfo(nullptr, "Set led data, err=0x%x", 0x1f);
  ShowInfo(nullptr, "%s", std::string(300, 'z').c_str());
  ASSERT_EQ(2u, port.boxes.size());
  EXPECT_EQ(u"Set led data, err=0x1f", port.boxes[0].text);
  EXPECT_EQ(u"Info", port.boxes[0].caption);
  EXPECT_EQ(259u, port.boxes[1].text.size());
}

}  // namespace
