// SPDX-License-Identifier: GPL-2.0-or-later
// The rules of the macro editor, kept apart from its window: the event list as the editor
// shows it, the recorder that turns key messages into list items, the tidy-up and
// conversion done on Save, and the checks of the repeat options.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macro/macro_limits.h"
#include "macro/macro_record.h"

struct KeyNaming;

// One item of the event list.
struct EventItem {
  enum Kind : int32_t { RELEASE = 0, PRESS = 1, DELAY = 2 };
  int32_t kind = PRESS;
  uint32_t value = 0;  // virtual-key or mouse code, or the delay in ms
  friend bool operator==(const EventItem&, const EventItem&) = default;
};

// The text of an item: a key's display name, or "%d ms" for a delay.
std::u16string EventItemText(const EventItem& item, const KeyNaming& naming);
std::u16string DelayText(uint32_t ms);

// The number of events shown and recorded: the limits' events per macro, or 90 when that
// is 0 or more than 89.
int EditorEventLimit(const MacroLimits& limits = Limits());

// The list of a stored macro: each event (up to the first zero key code or the editor's
// limit) as a press or release, followed by its delay when automatic delays are on and the
// delay is not 0.
std::vector<EventItem> EventListOf(const MacroRecord& record, const MacroLimits& limits = Limits());

// Save's tidy-up: leading items up to the first press go; a delay after a delay is added to
// it (no clamping); a key item after a key item of the same kind and code goes.
void TidyEventList(std::vector<EventItem>& list);

// Save's conversion into the record's events: all slots cleared, then the key items in
// order (at most 90), each taking the delay item right after it. A delay without a key
// item before it is skipped. A key item with code 0 is kept and logged "Capture keycode=0";
// the number of such items is returned, for the window to show "Capture keycode=0" in a box
// titled "Warning" for each when the Debug setting is on.
int StoreEventList(const std::vector<EventItem>& list, MacroRecord& record);

// The delays the editor accepts: 10 to 40950 ms.
uint32_t ClampDelay(int64_t ms, const MacroLimits& limits = Limits());

// The recorder: key messages (virtual-key code, lParam bit 7 for a release) with the tick
// count in ms become list items. Its state lasts for the whole program run.
class MacroRecorder {
 public:
  struct Step {
    std::optional<uint32_t> delay;  // a delay item to append first
    EventItem key;
  };
  // A recording starts: the count of accepted messages goes back to 0 and no key counts
  // as held (the last message and its time are kept).
  void Start() {
    accepted_ = 0;
    held_.fill(false);
  }
  // One key message. Null when it is ignored: the same message as the last accepted one
  // (a held key repeats), a release of a key whose press this recording did not take (a
  // key pressed before it started, or in a message box shown meanwhile: not counted), or
  // beyond the editor's limit (it is counted all the same). With automatic delays and a
  // list that is not empty, the time since the last accepted message (when above 0, at
  // most 40950 ms) goes first. The code is remapped by KbType.
  std::optional<Step> OnKey(uint32_t vk, intptr_t lParam, int64_t nowMs, bool autoDelay, bool listEmpty,
                            int kbType, const MacroLimits& limits = Limits());
  int Accepted() const { return accepted_; }

 private:
  uint32_t lastVk_ = 0;
  intptr_t lastLParam_ = -1;
  int64_t lastTime_ = 0;
  int accepted_ = 0;
  std::array<bool, 256> held_{};  // keys whose press this recording took, until released
};

// The program's recorder.
MacroRecorder& TheMacroRecorder();

// The code a key-capture box gives an event: its key when it caught one, else its last
// modifier by the side-specific code (Ctrl 0xA2, Shift 0xA0, Alt 0xA4, left Win 0x5B, and
// the right-hand 0xA3, 0xA1, 0xA5, 0x5C); 0 when it caught nothing.
uint32_t CapturedEventKey(uint8_t modifiers, uint8_t key);

// The loop-count edit's text: empty is ignored, 1..255 is a count, anything else is
// refused with "Loop Count = 1 ~ %d" (255).
enum class LoopCountCheck { Empty, Valid, Refused };
LoopCountCheck CheckLoopCount(std::u16string_view text, const MacroLimits& limits = Limits());
std::u16string LoopCountMessage(const MacroLimits& limits = Limits());
// The count Save stores: the text's number, 1 when it is 0 or not a number.
uint16_t LoopCountOf(std::u16string_view text);

// Save's options: the check box, and the repeat mode (with the loop count for mode 0).
void StoreOptions(MacroRecord& record, bool autoDelay, uint32_t repeatMode, std::u16string_view loopText);

// Save of the selected macro, after the window has tidied its list: options when the
// options-changed bit is set, events when the events-changed bit is set. Returns what
// StoreEventList returned (0 when the events were not stored).
struct EditorState {
  bool autoDelay = true;
  uint32_t repeatMode = MACRO_REPEAT_COUNT;
  std::u16string loopText;
  std::vector<EventItem> events;
};
int StoreEditorState(MacroRecord& record, const EditorState& state);
