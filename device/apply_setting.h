// SPDX-License-Identifier: GPL-2.0-or-later
// ApplySetting: writes one profile into the keyboard's memory: the lighting (report 10),
// the user-defined colour group of the game mode (report 11), the macros its keys use
// (report 12) and the key matrix (report 9), each part chosen by an ApplyFlags bit, and
// reads back what the keyboard lets be read to check it kept it. The apply worker runs it for every request; the process watch calls it directly on the UI
// thread. It reaches windows only through the WindowPort (progress messages, the info and
// "Invaild key code" boxes) and the keyboard only through SendCommand and GetCommand, so a
// transfer never overlaps a ClearHandle of the UI thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/hwnd.h"

struct AppSettings;

class CUSBDriver;
class MacroSet;
struct Profile;

// ApplyFlags: the parts of a request.
enum : uint32_t {
  APPLY_MATRIX = 0x0001,    // key matrix, with the macros its keys use
  APPLY_LIGHTING = 0x0002,  // lighting settings (report 10)
  APPLY_COLOUR = 0x0004,    // current colour group (report 11), when user-defined in the game mode
  APPLY_PROGRESS = 0x8000,  // a progress dialog is shown: wait for its window, report to it
};
// The Apply button's request: everything, with the progress dialog.
constexpr uint32_t kFullApplyFlags = APPLY_PROGRESS | APPLY_MATRIX | APPLY_LIGHTING | APPLY_COLOUR;

// Payload lengths of the four reports (without the report id).
constexpr int kLedPayload = 41;
constexpr int kColourPayload = 126;
constexpr int kMacroPayload = 1920;
constexpr int kMatrixPayload = 504;

// The fixed pauses of an apply. The keyboard needs the pauses after each report; tests and
// the benchmark zero them (Zero()) so that only the behaviour under test takes time.
struct ApplyPauses {
  std::chrono::milliseconds afterLedRead{20};
  std::chrono::milliseconds afterLed{20};
  std::chrono::milliseconds afterColour{30};
  std::chrono::milliseconds afterMacro{30};
  std::chrono::milliseconds afterMatrixRead{20};
  std::chrono::milliseconds afterMatrix{20};
  std::chrono::milliseconds atHundred{500};     // 100 % stays visible this long
  std::chrono::milliseconds findWindowTry{50};  // before each of the 20 looks for the progress window
  std::chrono::milliseconds betweenCloses{20};  // between the two WM_CLOSE

  static ApplyPauses Zero() {
    using std::chrono::milliseconds;
    return {milliseconds(0), milliseconds(0), milliseconds(0), milliseconds(0), milliseconds(0),
            milliseconds(0), milliseconds(0), milliseconds(0), milliseconds(0)};
  }
};

// The speed byte the keyboard takes for a speed level: 1 -> 5, 2 -> 4, 3 -> 3, 4 -> 2,
// 5 -> 1, anything else -> 1.
uint8_t DeviceSpeed(uint8_t level);

// The LED payload: the 41 bytes read from the keyboard with bytes 0..3 replaced by the
// profile's mode code (from the settings' lighting mode table), colour group + 1, device
// speed and brightness.
void PatchLedPayload(const Profile& profile, const AppSettings& settings, uint8_t* led);

// The colour payload of the profile's current colour group: byte 0 = group + 1, byte n = 7
// when the group's colour at matrix position n - 1 is not 0. False when the group index
// is not one of the 15 groups.
bool BuildColourPayload(const Profile& profile, uint8_t* payload);

// Writes the profile as the flags ask. macros is the run's own copy of the macros the
// profile uses: the buffer numbers of this run are given in it (and set back to 0 at the
// end). progress is the progress window or null; progressMessage is posted to it with 20,
// 70 and 100. Settings read: GoWithNoDev, SyncKB, VerifyApply, GaoshouIndex,
// ColorCustomIndex, the lighting mode table and the key table. With VerifyApply the
// lighting and the matrix written are read back at the end (one read each, with the pause
// after a read): a keyboard that did not keep them fails the run with tc_verify_led or
// tc_verify_matrix, and the images sent and kept go to the log. 1 on success, 0 on
// failure; failure (when given) receives the text of the failure that ended the run, as
// the info box showed it ("" on success or without a box).
int ApplySetting(const Profile* profile, MacroSet* macros, HWND progress, CUSBDriver* driver,
                 unsigned progressMessage, uint32_t flags, const ApplyPauses& pauses = ApplyPauses(),
                 std::string* failure = nullptr);
