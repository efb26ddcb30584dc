// SPDX-License-Identifier: GPL-2.0-or-later
/* HidPort: the program's one door to the keyboard's HID interfaces, loaded at run time
 * from the program folder (libHidPort.so over hidapi, or libHidPortSim.so, the simulated
 * keyboard, with the same entry points). The program, HidPort and HidPortSim share this
 * header; it fixes the C types of the handle, the filter and the counter.
 *
 * Handles are small non-zero numbers handed out by the library and never reused while it
 * stays loaded, so a transfer on a handle that has been closed fails cleanly (EBADF)
 * instead of touching freed memory. 0 means "no handle".
 *
 * Every entry point may be called from any thread. A transfer and a close of the same
 * handle may even overlap: the close waits for the transfer to end.
 *
 * Error codes are errno values (EACCES: the keyboard is there but the user may not open
 * it; ENODEV: nothing matched; EBADF: unknown handle; EINVAL: a malformed argument, or a
 * report the interface does not have; EIO and others: the transfer failed). The code of
 * the calling thread's last call is read with HidLastError. */
#ifndef TASTOR_LIBS_HIDPORT_HIDPORT_H
#define TASTOR_LIBS_HIDPORT_HIDPORT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
typedef char16_t HidChar; /* one UTF-16 unit: the program's wide text */
#else
typedef uint_least16_t HidChar;
#endif

typedef uintptr_t HidHandle;

/* The program's choice among the candidate interfaces. Called once for each interface of a
 * matching keyboard that has the asked usage page and usage, in the order they were found:
 *   keyboard       which keyboard the interface belongs to (0 for the first keyboard of
 *                  that vendor and product id, 1 for a second identical one, ...)
 *   inputLength    the input report length, report id byte included (0: no input report)
 *   outputLength   the output report length, counted the same way
 *   featureLength  the feature report length, counted the same way
 * Lengths are the longest report of that kind plus one byte for the report id; an
 * interface whose reports carry no id counts the byte too. Non-zero accepts. */
typedef int (*HidFilter)(int keyboard, int inputLength, int outputLength, int featureLength);

/* The access asked for the consumer-control interface (read and write). hidraw nodes are
 * always opened for reading and writing; the value is accepted for the program's sake. */
#define HIDPORT_ACCESS_READ_WRITE 0xC0000000u
/* The flags value of every call; accepted and not used. */
#define HIDPORT_FLAGS_DEFAULT 0x40000000u

#define HIDPORT_API __attribute__((visibility("default")))

/* Finds the interfaces of the keyboard named by deviceId ("VID_%04X&PID_%04X", letters in
 * either case) with the given usage page and usage, asks the filter about each (a null
 * filter accepts all), and opens the first accepted interface that opens. Interfaces are
 * chosen by usage page and usage only, never by interface number (a virtual device has
 * none). reserved1 and reserved2 are 0. logLevel non-zero prints what was found on
 * standard error. counter, when not null, receives the number of accepted interfaces,
 * whether or not one could be opened. Returns the handle, or 0 with HidLastError EACCES
 * when an accepted interface exists but the user may not open it, ENODEV when none was
 * accepted, EINVAL for a malformed device id. */
HIDPORT_API HidHandle OpenHidDevice(int usagePage, int usage, const HidChar* deviceId, HidFilter filter,
                                    intptr_t reserved1, intptr_t reserved2, int logLevel, uint32_t access,
                                    uint32_t flags, int* counter);

/* Sends one feature report: report[0] is the report id, the payload follows; length
 * counts both. 1 on success, 0 on failure. */
HIDPORT_API int SetFeature(HidHandle handle, const uint8_t* report, uint32_t length);

/* Reads one feature report: on entry report[0] holds the report id; on success the payload
 * follows it (bytes the keyboard did not send are zero). length counts the id byte.
 * 1 on success, 0 on failure. */
HIDPORT_API int GetFeature(HidHandle handle, uint8_t* report, uint32_t length);

/* Fills buffer with the interface's product string, at most capacity - 1 units and a
 * terminating 0. 1 on success, 0 on failure (buffer then holds an empty string). */
HIDPORT_API int GetProductString(HidHandle handle, HidChar* buffer, uint32_t capacity);

/* Reads one input report the way GetFeature reads a feature report. */
HIDPORT_API int GetInputReport(HidHandle handle, uint8_t* report, uint32_t length);

/* Closes a handle; 1 when it was open. Waits for a transfer on it to end. */
HIDPORT_API int CloseHidDevice(HidHandle handle);

/* The error code of the calling thread's last call into the library (0 after success). */
HIDPORT_API int HidLastError(void);

/* The entry points' types, for binding the library at run time. */
typedef HidHandle (*OpenHidDeviceFn)(int, int, const HidChar*, HidFilter, intptr_t, intptr_t, int, uint32_t,
                                     uint32_t, int*);
typedef int (*SetFeatureFn)(HidHandle, const uint8_t*, uint32_t);
typedef int (*GetFeatureFn)(HidHandle, uint8_t*, uint32_t);
typedef int (*GetProductStringFn)(HidHandle, HidChar*, uint32_t);
typedef int (*GetInputReportFn)(HidHandle, uint8_t*, uint32_t);
typedef int (*CloseHidDeviceFn)(HidHandle);
typedef int (*HidLastErrorFn)(void);

#ifdef __cplusplus
}
#endif

#endif
