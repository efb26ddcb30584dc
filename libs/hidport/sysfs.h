// SPDX-License-Identifier: GPL-2.0-or-later
// What the kernel tells about a hidraw node besides the node itself: its report
// descriptor and the physical device it belongs to. Read from sysfs, which needs no
// permission on the node, so a keyboard the user may not open is still recognised.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hidport {

// The report descriptor of a hidraw node ("/dev/hidraw3" reads
// <sysRoot>/class/hidraw/hidraw3/device/report_descriptor). Empty, with *error set to an
// errno value, when it cannot be read.
std::vector<uint8_t> ReadReportDescriptor(const std::string& sysRoot, const std::string& nodePath, int* error);

// A text that is the same for every hidraw node of one physical device: the sysfs folder
// of the USB device when the node sits on USB (its HID device, then the USB interface,
// then the USB device), else the node's HID device folder (a virtual device has one HID
// device for all its collections). The node path itself when sysfs does not know it.
std::string PhysicalDeviceKey(const std::string& sysRoot, const std::string& nodePath);

}  // namespace hidport
