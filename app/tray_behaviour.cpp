#include "app/tray_behaviour.h"

TrayBehaviour TrayBehaviourFor(int trayIconSetting, bool trayAvailable) {
  TrayBehaviour b;
  const bool wanted = trayIconSetting == 1 || trayIconSetting == 3;
  b.trayMissing = wanted && !trayAvailable;
  b.icon = wanted && trayAvailable;
  b.startHidden = b.icon && trayIconSetting == 1;
  b.closeHides = b.icon;
  b.hideOnRemoval = b.icon && trayIconSetting == 1;
  b.balloonOnRemoval = b.icon && trayIconSetting == 3;
  return b;
}
