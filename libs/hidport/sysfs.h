// SPDX-License-Identifier: GPL-2.0-or-later
// What the kernel tells about a hidraw node besides the node itself: its report
// descriptor and the physical device it belongs to. Read from sysfs, which needs no
// permission on the node, so a keyboard the user may not open is still recognised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hidport {

// The kernel's longest report descriptor (HID_MAX_DESCRIPTOR_SIZE).
inline constexpr std::size_t kMaxReportDescriptorBytes = 4096;

// The report descriptor of a hidraw node ("/dev/hidraw3" reads
// <sysRoot>/class/hidraw/hidraw3/device/report_descriptor). Empty, with *error set to an
// errno value, when it cannot be read whole: EFBIG when it is longer than
// kMaxReportDescriptorBytes (it is never cut).
std::vector<uint8_t> ReadReportDescriptor(const std::string& sysRoot, const std::string& nodePath, int* error);
// The same for a descriptor saved to a file.
std::vector<uint8_t> ReadReportDescriptorFile(const std::string& path, int* error);

// The hidraw nodes ("hidraw3") whose HID device is named "<bus>:<VID>:<PID>.<n>" with these
// ids, on any bus, in name order: every node of such a keyboard, also those the user may
// not open.
std::vector<std::string> HidrawNodesOf(const std::string& sysRoot, uint16_t vendorId, uint16_t productId);

// A text that is the same for every hidraw node of one physical device: the sysfs folder
// of the USB device when the node sits on USB (its HID device, then the USB interface,
// then the USB device), else the node's HID device folder (a virtual device has one HID
// device for all its collections). The node path itself when sysfs does not know it.
std::string PhysicalDeviceKey(const std::string& sysRoot, const std::string& nodePath);

}  // namespace hidport
