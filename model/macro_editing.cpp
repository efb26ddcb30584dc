// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/macro_editing.h"

#include <algorithm>
#include <cstdio>

#include "base/log.h"
#include "model/device_matrix.h"
#include "model/key_names.h"
#include "text/utf.h"

std::u16string DelayText(uint32_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%d ms", static_cast<int>(ms));
  return FromUtf8(text);
}

std::u16string EventItemText(const EventItem& item, const KeyNaming& naming) {
  return item.kind == EventItem::DELAY ? DelayText(item.value) : KeyName(item.value, naming);
}

int EditorEventLimit(const MacroLimits& limits) {
  const int n = limits.eventsPerMacro;
  return n == 0 || n > 89 ? kMacroEventsMax : n;
}

std::vector<EventItem> EventListOf(const MacroRecord& record, const MacroLimits& limits) {
  std::vector<EventItem> list;
  const int n = std::min(EditorEventLimit(limits), kMacroEventSlots);
  for (int i = 0; i < n && record.Events[i].wKeyCode != 0; ++i) {
    const MacroEvent& e = record.Events[i];
    list.push_back({e.wKeyDown != 0 ? EventItem::PRESS : EventItem::RELEASE, e.wKeyCode});
    if (record.dwAutoDelay == 1 && e.dwDelay != 0) list.push_back({EventItem::DELAY, e.dwDelay});
  }
  return list;
}

void TidyEventList(std::vector<EventItem>& list) {
  const auto firstPress =
      std::find_if(list.begin(), list.end(), [](const EventItem& e) { return e.kind == EventItem::PRESS; });
  list.erase(list.begin(), firstPress);
  std::vector<EventItem> tidy;
  for (const EventItem& item : list) {
    if (!tidy.empty()) {
      EventItem& last = tidy.back();
      if (item.kind == EventItem::DELAY && last.kind == EventItem::DELAY) {
        last.value += item.value;
        continue;
      }
      if (item.kind != EventItem::DELAY && item.kind == last.kind && item.value == last.value) continue;
    }
    tidy.push_back(item);
  }
  list = std::move(tidy);
}

int StoreEventList(const std::vector<EventItem>& list, MacroRecord& record) {
  int zeroCodes = 0;
  std::fill(std::begin(record.Events), std::end(record.Events), MacroEvent{});
  int n = 0;
  for (std::size_t i = 0; i < list.size() && n < kMacroEventsMax; ++i) {
    const EventItem& item = list[i];
    if (item.kind == EventItem::DELAY) continue;  // no key item before it
    MacroEvent& e = record.Events[n++];
    e.wKeyCode = static_cast<uint16_t>(item.value & 0xFF);
    e.wKeyDown = item.kind == EventItem::PRESS ? 1 : 0;
    if (i + 1 < list.size() && list[i + 1].kind == EventItem::DELAY) e.dwDelay = list[++i].value;
    if (e.wKeyCode == 0) {
      WriteLog("Capture keycode=0");
      ++zeroCodes;
    }
  }
  return zeroCodes;
}

uint32_t ClampDelay(int64_t ms, const MacroLimits& limits) {
  return static_cast<uint32_t>(std::clamp<int64_t>(ms, limits.minDelay, limits.delayMax));
}

std::optional<MacroRecorder::Step> MacroRecorder::OnKey(uint32_t vk, intptr_t lParam, int64_t nowMs, bool autoDelay,
                                                        bool listEmpty, int kbType, const MacroLimits& limits) {
  if (vk == lastVk_ && lParam == lastLParam_) return std::nullopt;  // a held key repeats
  const bool release = (lParam & 0x80) != 0;
  bool& held = held_[vk & 0xFF];
  if (release && !held) return std::nullopt;  // its press was not this recording's
  if (++accepted_ > EditorEventLimit(limits)) return std::nullopt;
  held = !release;
  Step step;
  if (autoDelay && !listEmpty) {
    const int64_t delay = nowMs - lastTime_;
    if (delay > 0) step.delay = static_cast<uint32_t>(std::min<int64_t>(delay, limits.delayMax));
  }
  step.key.kind = release ? EventItem::RELEASE : EventItem::PRESS;
  step.key.value = CaptureRemap(vk, kbType);
  lastVk_ = vk;
  lastLParam_ = lParam;
  lastTime_ = nowMs;
  return step;
}

MacroRecorder& TheMacroRecorder() {
  static MacroRecorder recorder;
  return recorder;
}

uint32_t CapturedEventKey(uint8_t modifiers, uint8_t key) {
  if (key != 0) return key;
  static constexpr struct {
    uint8_t bit;
    uint8_t vk;
  } kSides[] = {{0x01, 0xA2}, {0x02, 0xA0}, {0x04, 0xA4}, {0x08, 0x5B},
                {0x10, 0xA3}, {0x20, 0xA1}, {0x40, 0xA5}, {0x80, 0x5C}};
  for (const auto& side : kSides) {
    if ((modifiers & side.bit) != 0) return side.vk;
  }
  return 0;
}

namespace {

// The number of a decimal text as the platform's conversion reads it; nullopt when it has
// no digits or characters after them.
std::optional<long long> WholeNumber(std::u16string_view text) {
  if (text.empty()) return std::nullopt;
  long long value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = std::min<long long>(value * 10 + (c - u'0'), 1'000'000);
  }
  return value;
}

}  // namespace

LoopCountCheck CheckLoopCount(std::u16string_view text, const MacroLimits& limits) {
  if (text.empty()) return LoopCountCheck::Empty;
  const std::optional<long long> n = WholeNumber(text);
  return n && *n >= 1 && *n <= limits.repeatMax ? LoopCountCheck::Valid : LoopCountCheck::Refused;
}

std::u16string LoopCountMessage(const MacroLimits& limits) {
  char text[64];
  std::snprintf(text, sizeof text, "Loop Count = 1 ~ %d", limits.repeatMax);
  return FromUtf8(text);
}

uint16_t LoopCountOf(std::u16string_view text) {
  // Leading digits count, as the platform's conversion reads them.
  long long value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    value = std::min<long long>(value * 10 + (c - u'0'), 0xFFFF);
  }
  return value == 0 ? 1 : static_cast<uint16_t>(value);
}

void StoreOptions(MacroRecord& record, bool autoDelay, uint32_t repeatMode, std::u16string_view loopText) {
  record.dwAutoDelay = autoDelay ? 1 : 0;
  record.dwRepeatMode = repeatMode;
  if (repeatMode == MACRO_REPEAT_COUNT) record.wLoopCount = LoopCountOf(loopText);
}

int StoreEditorState(MacroRecord& record, const EditorState& state) {
  if ((record.dwFlags & kMacroOptionsChanged) != 0) {
    StoreOptions(record, state.autoDelay, state.repeatMode, state.loopText);
  }
  if ((record.dwFlags & kMacroEventsChanged) != 0) return StoreEventList(state.events, record);
  return 0;
}
