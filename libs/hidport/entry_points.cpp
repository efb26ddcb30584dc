// SPDX-License-Identifier: GPL-2.0-or-later
// The C entry points of a HidPort library, forwarding to the library's core.
#include "libs/hidport/entry_points.h"
#include "libs/hidport/hidport.h"

using hidport::ThePort;

extern "C" {

HidHandle OpenHidDevice(int usagePage, int usage, const HidChar* deviceId, HidFilter filter, intptr_t, intptr_t,
                        int logLevel, uint32_t access, uint32_t, int* counter) {
  return ThePort().OpenHidDevice(usagePage, usage, deviceId, filter, logLevel, access, counter);
}

int SetFeature(HidHandle handle, const uint8_t* report, uint32_t length) {
  return ThePort().SetFeature(handle, report, length);
}

int GetFeature(HidHandle handle, uint8_t* report, uint32_t length) {
  return ThePort().GetFeature(handle, report, length);
}

int GetProductString(HidHandle handle, HidChar* buffer, uint32_t capacity) {
  return ThePort().GetProductString(handle, buffer, capacity);
}

int GetInputReport(HidHandle handle, uint8_t* report, uint32_t length) {
  return ThePort().GetInputReport(handle, report, length);
}

int CloseHidDevice(HidHandle handle) { return ThePort().CloseHidDevice(handle); }

int HidLastError(void) { return hidport::HidPortCore::LastError(); }

}  // extern "C"
