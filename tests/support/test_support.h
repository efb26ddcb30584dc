// SPDX-License-Identifier: GPL-2.0-or-later
// Helpers shared by the test programs.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "app/program_settings.h"
#include "base/user_message.h"
#include "base/window_port.h"

// A temporary folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder, ending with "/".
  const std::string& path() const { return path_; }
  // Writes a file (creating folders on the way) and returns its full path.
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Records message boxes instead of showing them; installed for its lifetime.
class RecordingWindowPort : public WindowPort {
 public:
  struct Box {
    std::u16string text;
    std::u16string caption;
    unsigned type;
  };
  RecordingWindowPort();
  ~RecordingWindowPort() override;
  int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) override;
  std::vector<Box> boxes;
  std::vector<std::u16string> Texts() const;
};

// Runs a program and returns its exit status; its standard output and error are kept.
struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
  bool timedOut = false;  // RunProgramWithin: stopped at its deadline
};
// True when text contains part (for checking a program's output).
inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {});
// The same with a deadline: a program still running after timeoutMs is killed (timedOut).
RunResult RunProgramWithin(const std::vector<std::string>& argv, int timeoutMs,
                           const std::vector<std::string>& extraEnv = {});
// The same with a terminal as standard output and error: everything written is in out.
RunResult RunProgramInTerminal(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {});

// True when an executable of that name is on $PATH.
bool OnPath(const std::string& program);

// A private X server (Xvfb) on a free display number, ended with the object. It keeps its
// state (a keyboard layout set with setxkbmap) when its last client leaves.
class Xvfb {
 public:
  Xvfb() = default;
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  // Starts the server and waits until it takes connections; false when it cannot start.
  bool Start();
  // The display name, ":<number>".
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// The folder the build puts executables, sibling libraries and data into, ending with "/".
std::string BinDir();
std::string SourceDir();
// The folder created for this test program: home, runtime folder and desktop live in it.
const std::string& TestHome();
// Called once by each test program's main: makes the private home and points HOME,
// XDG_* and TMPDIR at it.
void SetUpTestEnvironment();

// The result's value, after its message (when it has one) went to the window port as the
// program's message box does, with the program's title: tests that read the port's boxes
// see what the user would.
template <typename T>
T Shown(Reported<T> result) {
  if (result.message) Windows().MessageBox(nullptr, result.message->Text(), Settings().Title, MB_OK);
  return std::move(result.value);
}
