// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated keyboard's report memory and its files.
#include <gtest/gtest.h>

#include <filesystem>

#include "libs/simkeyboard/sim_keyboard.h"
#include "tests/support/test_support.h"

using simkeyboard::ReportMemory;

namespace {
std::vector<uint8_t> Read(const ReportMemory& memory, uint8_t id) {
  std::vector<uint8_t> payload(simkeyboard::PayloadLength(id));
  EXPECT_EQ(memory.Read(id, payload), 0);
  return payload;
}
std::string AsString(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }
}  // namespace

TEST(SimKeyboardMemory, StartsWithZerosAndAPlausibleLightingState) {
  TempDir dir;
  ReportMemory memory(dir.path() + "sim/");
  memory.Load();
  EXPECT_EQ(Read(memory, 9), std::vector<uint8_t>(504, 0));
  const auto led = Read(memory, 10);
  ASSERT_EQ(led.size(), 41u);
  EXPECT_EQ((std::vector<uint8_t>(led.begin(), led.begin() + 4)), (std::vector<uint8_t>{1, 1, 3, 5}));
  EXPECT_EQ(Read(memory, 11).size(), 126u);
  EXPECT_EQ(Read(memory, 12).size(), 1920u);
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "sim"));  // reading writes nothing
}

TEST(SimKeyboardMemory, WritesPayloadFilesAtomicallyAndLoadsThemAgain) {
  TempDir dir;
  const std::string folder = dir.path() + "deeper/sim/";
  std::vector<uint8_t> matrix(504);
  for (std::size_t i = 0; i < matrix.size(); ++i) matrix[i] = static_cast<uint8_t>(i * 7);
  {
    ReportMemory memory(folder);
    memory.Load();
    ASSERT_EQ(memory.Write(9, matrix), 0);
    EXPECT_EQ(Read(memory, 9), matrix);
  }
  EXPECT_EQ(ReadFile(folder + "report-09.bin"), AsString(matrix));
  // Only the report file: no temporary file is left behind.
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    ++files;
    EXPECT_EQ(entry.path().filename(), "report-09.bin");
  }
  EXPECT_EQ(files, 1u);

  ReportMemory again(folder);
  again.Load();
  EXPECT_EQ(Read(again, 9), matrix);
}

TEST(SimKeyboardMemory, RejectsWrongReportsAndKeepsMemoryWhenTheFileCannotBeWritten) {
  TempDir dir;
  // A wrongly sized file is ignored: the report keeps its initial payload.
  dir.Write("sim/report-10.bin", "short");
  ReportMemory memory(dir.path() + "sim/");
  memory.Load();
  EXPECT_EQ(Read(memory, 10), simkeyboard::InitialPayload(10));

  std::vector<uint8_t> wrong(40);
  EXPECT_EQ(memory.Write(10, wrong), EINVAL);
  EXPECT_EQ(memory.Write(13, wrong), EINVAL);
  EXPECT_EQ(memory.Read(10, std::span<uint8_t>(wrong)), EINVAL);

  // The folder lies under a plain file: the write fails and the memory stays as it was.
  dir.Write("blocker", "");
  ReportMemory blocked(dir.path() + "blocker/sim/");
  blocked.Load();
  const std::vector<uint8_t> colour(126, 7);
  EXPECT_NE(blocked.Write(11, colour), 0);
  EXPECT_EQ(Read(blocked, 11), std::vector<uint8_t>(126, 0));

  // Without a folder the memory lives in the process only.
  ReportMemory inProcess("");
  EXPECT_EQ(inProcess.Write(11, colour), 0);
  EXPECT_EQ(Read(inProcess, 11), colour);
}
