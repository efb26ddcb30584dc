// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/remote_control.h"

#include <QApplication>
#include <QWidget>
#include <utility>

#include "app/paths.h"
#include "app/program_settings.h"
#include "base/log.h"
#include "device/apply_job.h"
#include "model/profile.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "platform/messages.h"
#include "text/text_table.h"

namespace {

// What a request of outside writes: everything, without a progress dialog.
constexpr uint32_t kRemoteApplyFlags = APPLY_MATRIX | APPLY_LIGHTING | APPLY_COLOUR;

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

RemoteResult Refused(RemoteResult::Error error, const QString& message) { return RemoteResult::Refused(error, message); }

}  // namespace

CRemoteControl::CRemoteControl(Host host, QObject* parent) : QObject(parent), host_(std::move(host)) {}

CRemoteControl::~CRemoteControl() {
  if (pending_) {
    std::exchange(pending_, {})(Refused(RemoteResult::Error::ApplyFailed, "Tastor ended before the apply was over."));
  }
}

QList<RemoteProfile> CRemoteControl::RemoteProfiles() const {
  const std::array<uint32_t, 3> ids = host_.profileButtonIds();
  ProfileStore& store = TheProfileStore();
  auto lock = store.Lock();
  QList<RemoteProfile> profiles;
  for (std::size_t n = 0; n < ids.size(); ++n) {
    const Profile* profile = ids[n] != 0 ? store.FindById(ids[n]) : nullptr;
    if (profile != nullptr) profiles.push_back({static_cast<uint>(n + 1), Q(profile->Name())});
  }
  return profiles;
}

uint CRemoteControl::RemoteCurrentSlot() const {
  const std::array<uint32_t, 3> ids = host_.profileButtonIds();
  ProfileStore& store = TheProfileStore();
  auto lock = store.Lock();
  const Profile* current = store.Current();
  if (current == nullptr) return 0;
  for (std::size_t n = 0; n < ids.size(); ++n) {
    if (ids[n] == current->id) return static_cast<uint>(n + 1);
  }
  return 0;
}

QString CRemoteControl::RemoteUserDataFolder() const { return QString::fromStdString(Paths().userDataFolder); }

std::optional<RemoteResult> CRemoteControl::ModalWindowOpen() const {
  // The picker, the macro editor, a message box, the progress dialog, a file dialog: the
  // user is in the middle of something the request would change under them.
  const QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr) return std::nullopt;
  QString what = modal->windowTitle();
  if (what.isEmpty()) what = QString::fromLatin1(modal->metaObject()->className());
  return Refused(RemoteResult::Error::Busy, "A window of Tastor is open (" + what + "); close it first.");
}

std::optional<RemoteResult> CRemoteControl::Refusal() const {
  if (auto modal = ModalWindowOpen()) return modal;
  if (pending_) return Refused(RemoteResult::Error::Busy, "Another switch or apply of Tastor is under way.");
  if (!host_.devicePresent() && Settings().GoWithNoDev == 0) {
    return Refused(RemoteResult::Error::NoKeyboard, Q(TextTable::Instance().tc_msg15));
  }
  if (host_.keyboardCount() > 1) return Refused(RemoteResult::Error::ApplyFailed, Q(TextTable::Instance().tc_msg11));
  if (!TheApplyJob().Running()) return Refused(RemoteResult::Error::ApplyFailed, "Tastor does not apply profiles now.");
  return std::nullopt;
}

void CRemoteControl::RemoteSwitch(uint slot, RemoteReply reply) {
  const std::array<uint32_t, 3> ids = host_.profileButtonIds();
  if (slot < 1 || slot > ids.size() || ids[slot - 1] == 0) {
    reply(Refused(RemoteResult::Error::InvalidSlot,
                  "There is no profile " + QString::number(slot) + "; the profiles are 1 to 3."));
    return;
  }
  if (auto refusal = Refusal()) {
    reply(*refusal);
    return;
  }
  const uint32_t id = ids[slot - 1];
  WriteLog("Remote: switch to profile %u (0x%x)", slot, id);
  host_.selectProfile(id);
  StartApply(id, std::move(reply));
}

void CRemoteControl::RemoteApply(RemoteReply reply) {
  if (auto refusal = Refusal()) {
    reply(*refusal);
    return;
  }
  uint32_t id = 0;
  {
    ProfileStore& store = TheProfileStore();
    auto lock = store.Lock();
    if (const Profile* current = store.Current()) id = current->id;
  }
  if (id == 0) {
    reply(Refused(RemoteResult::Error::InvalidSlot, "Tastor has no current profile."));
    return;
  }
  WriteLog("Remote: apply profile 0x%x", id);
  StartApply(id, std::move(reply));
}

void CRemoteControl::StartApply(uint32_t profileId, RemoteReply reply) {
  pending_ = std::move(reply);
  pendingId_ = profileId;
  // The end of the run comes on the worker thread (or at once, as dropped, when a newer
  // switch takes its place); it is handed to the UI thread, where a gone control drops it.
  HWND self = handle_.hwnd();
  TheApplyJob().RequestProfile(profileId, kRemoteApplyFlags, [self](const ApplyOutcome& outcome) {
    WindowHandle::RunOnUiThread([self, outcome] {
      if (auto* control = qobject_cast<CRemoteControl*>(WindowHandle::TargetOf(self))) control->OnApplyEnded(outcome);
    });
  });
}

void CRemoteControl::OnApplyEnded(const ApplyOutcome& outcome) {
  if (!pending_ || outcome.profileId != pendingId_) return;
  RemoteReply reply = std::exchange(pending_, {});
  switch (outcome.result) {
    case ApplyOutcome::Result::Applied: break;
    case ApplyOutcome::Result::Failed:
      WriteLog("Remote: profile 0x%x not applied", outcome.profileId);
      reply(Refused(RemoteResult::Error::ApplyFailed,
                    outcome.failure.empty() ? QStringLiteral("The keyboard did not take the profile.")
                                            : QString::fromStdString(outcome.failure)));
      return;
    case ApplyOutcome::Result::Dropped:
      if (!host_.devicePresent()) {
        reply(Refused(RemoteResult::Error::NoKeyboard, Q(TextTable::Instance().tc_msg15)));
      } else {
        reply(Refused(RemoteResult::Error::Busy, "The automatic profile switch came first."));
      }
      return;
  }
  // The files as the Apply button (and tastor-cli apply) leave them, through the window's
  // own locked save, so that its note of what it saved stays true. The id is saved as
  // applied only while that profile is still the current one.
  ProfileStore& store = TheProfileStore();
  bool current = false;
  {
    auto lock = store.Lock();
    current = store.Current() != nullptr && store.Current()->id == outcome.profileId;
  }
  if (current && !host_.saveAfterApply()) {
    reply(Refused(RemoteResult::Error::SaveFailed,
                  QString::fromStdString("The keyboard has the profile, but the files in " + Paths().userDataFolder +
                                         " could not be saved.")));
    return;
  }
  WriteLog("Remote: profile 0x%x applied", outcome.profileId);
  reply(RemoteResult::Done());
}

void CRemoteControl::RemoteShow() { host_.show(); }

RemoteResult CRemoteControl::RemoteQuit() {
  if (auto modal = ModalWindowOpen()) return *modal;
  if (HWND window = WindowHandle::HandleOf(host_.window)) window->post(window, WM_CLOSE, 0, 0);
  return RemoteResult::Done();
}
