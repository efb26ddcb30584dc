// SPDX-License-Identifier: GPL-2.0-or-later
#include "device/keyboard_status.h"

#include "base/settings.h"
#include "text/utf.h"

std::string FindResultMessage(CUSBDriver::FindResult result, const std::string& id, const CUSBDriver& driver) {
  switch (result) {
    case CUSBDriver::FindResult::Found: return {};
    case CUSBDriver::FindResult::NoLibrary: return "the HID library could not be used";
    case CUSBDriver::FindResult::Absent:
      return "no keyboard with " + id + " (VID and PID of cfg.ini) is attached";
    case CUSBDriver::FindResult::Incomplete:
      return "a keyboard with " + id +
             " is attached, but not all four of its report interfaces were found "
             "(feature reports of 505, 42, 127 and 1921 bytes)";
    case CUSBDriver::FindResult::NoPermission:
      return "the keyboard " + id +
             " is attached, but this user has no permission to open it. Run \"tastor-cli udev-rule\" "
             "for a udev rule that lets the logged-in user open it without root";
    case CUSBDriver::FindResult::ProductMismatch: {
      const std::u16string& expected = driver.Config().USBString.empty() ? u"Gaming Mouse" : driver.Config().USBString;
      return "a keyboard with " + id + " is attached, but its product string \"" +
             ToUtf8(driver.LastProductString()) + "\" is not \"" + ToUtf8(expected) + "\" (MatchStr=1)";
    }
    case CUSBDriver::FindResult::NotSearched: break;
  }
  return "the keyboard was not searched";
}
