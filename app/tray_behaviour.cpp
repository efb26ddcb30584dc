// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/tray_behaviour.h"

TrayBehaviour TrayBehaviourFor(int trayIconSetting, bool trayAvailable, bool hiddenAsked) {
  TrayBehaviour b;
  const bool wanted = trayIconSetting == 1 || trayIconSetting == 3;
  b.trayMissing = wanted && !trayAvailable;
  b.hiddenWithoutTray = hiddenAsked && !trayAvailable;
  b.icon = (wanted || hiddenAsked) && trayAvailable;
  b.startHidden = b.icon && (trayIconSetting == 1 || hiddenAsked);
  b.closeHides = b.icon;
  b.hideOnRemoval = b.icon && trayIconSetting == 1;
  b.balloonOnRemoval = b.icon && trayIconSetting == 3;
  return b;
}
