// SPDX-License-Identifier: GPL-2.0-or-later
// The diagnostic log, switched on by the Debug setting: 0 off, 1 debugger output,
// 2 debugger output and Log.txt on the desktop. Entries are printf-style UTF-8 texts;
// wide texts are passed converted with ToUtf8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/hwnd.h"

using WriteLogFn = void (*)(const char* format, ...);

// Every part of the program logs through this pointer. It does nothing until InitLog.
extern WriteLogFn WriteLog __attribute__((format(printf, 1, 2)));

// Called by the settings loader right after reading Debug: builds the log path (desktop
// folder + "/Log.txt") and chooses the writer. With mode 2 a Log.txt larger than 512000
// bytes is emptied.
void InitLog(int mode);
int LogMode();
const std::string& LogPath();

// Writes a byte buffer as hexadecimal lines of bytesPerLine bytes, each line starting
// with the label; the first line is preceded by a line feed. Nothing with log mode 0.
void LogHexDump(const uint8_t* data, std::size_t length, int bytesPerLine, const char* label);

// Formats a text (at most 259 characters) and shows it in a message box captioned
// "Info" with the information icon, owned by the given window (which may be null).
void ShowInfo(HWND owner, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Where the debugger writer sends its text; standard error unless replaced (tests).
using DebugOutputFn = void (*)(const char* text);
void SetDebugOutput(DebugOutputFn output);
// Writes a text to the debugger output whatever the Debug setting says, as windows with a
// debug switch of their own do.
void DebugOutput(const char* text);
