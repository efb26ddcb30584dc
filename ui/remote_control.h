// SPDX-License-Identifier: GPL-2.0-or-later
// CRemoteControl: the main window's answers to requests from outside the program (the
// D-Bus service, CDBusService), kept beside the window as CTrayPresence is. It decides:
// a switch selects the profile of a button as a click on it does and has the apply worker
// write it as the automatic switch does (flags 7, no progress dialog, RequestProfile); an
// apply writes the current profile that way. A request is refused while a modal window of
// the program is open, while another request of outside is under way, and without a
// keyboard. The answer comes when the run has ended; the profiles and the current id are
// saved, as after the Apply button and tastor-cli apply, only when the keyboard kept what
// was written. UI thread only; the worker's end reaches it through the
// window registry's hand-over.
#pragma once

#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "controls/window_handle.h"
#include "ui/dbus_service.h"

struct ApplyOutcome;
class QWidget;

class CRemoteControl : public QObject, public CRemoteHost {
  Q_OBJECT
 public:
  // What the main window lends.
  struct Host {
    QWidget* window = nullptr;
    std::function<std::array<uint32_t, 3>()> profileButtonIds;  // the ids the buttons stand for
    std::function<void(uint32_t)> selectProfile;                // SelectProfile (as a click)
    std::function<bool()> devicePresent;
    std::function<int()> keyboardCount;
    std::function<void()> show;  // as the tray's show
    // Saves pro.dct and curid.dct as after the Apply button (locked, checked against changes
    // of other programs, a failure shown); true when both were saved.
    std::function<bool()> saveAfterApply;
    bool simulated = false;
  };

  explicit CRemoteControl(Host host, QObject* parent = nullptr);
  ~CRemoteControl() override;  // a request still under way is answered as failed

  QList<RemoteProfile> RemoteProfiles() const override;
  uint RemoteCurrentSlot() const override;
  QString RemoteUserDataFolder() const override;
  bool RemoteSimulated() const override { return host_.simulated; }
  void RemoteSwitch(uint slot, RemoteReply reply) override;
  void RemoteApply(RemoteReply reply) override;
  void RemoteShow() override;
  RemoteResult RemoteQuit() override;

  bool RequestUnderWay() const { return static_cast<bool>(pending_); }

 private:
  // Why a request that applies cannot run now, or nothing.
  std::optional<RemoteResult> Refusal() const;
  std::optional<RemoteResult> ModalWindowOpen() const;
  void StartApply(uint32_t profileId, RemoteReply reply);
  void OnApplyEnded(const ApplyOutcome& outcome);

  Host host_;
  RemoteReply pending_;
  uint32_t pendingId_ = 0;
  WindowHandle handle_{this};  // the worker's end of a run arrives through it
};
