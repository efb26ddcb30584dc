// SPDX-License-Identifier: GPL-2.0-or-later
// The macro editor's recording (CMacroDlg): the record button starts and stops a
// recording of the selected macro, whose keys come through TapHook when it captures, else
// from the window's own key events; the core's MacroRecorder turns them into events and
// delays, which go into the event list as they come.
#include "ui/macro_dlg.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "app/hook_library.h"
#include "app/program_settings.h"
#include "base/log.h"
#include "macro/macro_library.h"
#include "model/key_names.h"
#include "text/text_table.h"
#include "ui/virtual_key_event.h"

// ---- recording -------------------------------------------------------------------------

void CMacroDlg::OnRecord() {
  if (recording_ != 0) {
    StopRecording();
    return;
  }
  if (SelectedMacro() == nullptr || RecordOf(SelectedMacro()) == nullptr) {
    Message(TextTable::Instance().tc_macro_msg1);
    return;
  }
  StartRecording();
}

void CMacroDlg::StartRecording() {
  if (shown_ != SelectedMacro()) ShowMacro(SelectedMacro());
  recording_ = 1;
  TheMacroRecorder().Start();
  record_.SetCheck(true);
  record_.SetText(TextTable::Instance().tc_macro_stop);
  ClearEvents();
  library_.EnableMouse(false);
  events_.EnableMouse(false);
  if (countRadio_.GetCheck()) loopEdit_->hide();
  // Through TapHook only when it really captures; otherwise the window's own keys.
  hookRecording_ = CaptureThroughHook(Settings().HookDLL);
  if (hookRecording_) {
    HookSetReceiver(hwnd());
    HookSetStatus(1);
  }
  WriteLog("Macro recording: %s", hookRecording_ ? "keys through TapHook" : "the window's own keys");
  // The window's own keys need the keyboard.
  activateWindow();
  setFocus(Qt::OtherFocusReason);
}

void CMacroDlg::StopRecording() {
  recording_ = 0;
  record_.SetText(TextTable::Instance().tc_macro_start);
  record_.SetCheck(false);
  library_.EnableMouse(true);
  events_.EnableMouse(true);
  if (countRadio_.GetCheck()) loopEdit_->show();
  if (hookRecording_) {
    hookRecording_ = false;
    HookSetStatus(0);
  }
  if (MacroRecord* record = RecordOf(SelectedMacro())) {
    auto lock = macros_.Lock();
    record->dwFlags |= kMacroDirtyBits;
  }
  pendingEdits_ = true;
  save_.show();
}

void CMacroDlg::OnHookKey(uint32_t vk, intptr_t lParam) {
  // Keys typed into a message box shown while recording are the box's (TapHook delivers
  // them here all the same); the release of a key pressed there the recorder drops.
  if (recording_ == 0 || boxesOpen_ > 0) return;
  const std::optional<MacroRecorder::Step> step = TheMacroRecorder().OnKey(
      vk, lParam, tickCount(), autoDelay_.GetCheck(), events_.Count() == 0, Settings().KbType);
  if (!step) return;
  if (step->delay) AddEvent(nullptr, false, {EventItem::DELAY, *step->delay});
  HTREEITEM item = AddEvent(nullptr, false, step->key);
  events_.EnsureVisible(item);
}

bool CMacroDlg::PreTranslateKey(QKeyEvent* event) {
  if (recording_ != 0) {
    // While TapHook delivers the keys, the window's own are swallowed, so none counts twice.
    if (!hookRecording_) {
      if (const std::optional<HookKey> key = HookKeyOf(*event)) OnHookKey(key->vk, key->LParam());
    }
    return true;
  }
  return CSkinnedDialog::PreTranslateKey(event);
}
