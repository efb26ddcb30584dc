// SPDX-License-Identifier: GPL-2.0-or-later
// The start-up trace: with TASTOR_TRACE_STARTUP=1 in the environment each step of start-up
// (and each step run after the first paint) writes one line to standard error with its
// time since the process was started and since the step before, so that anyone can see
// where the time to the first window goes. Called on the UI thread by main, CTastorApp
// and the main window; without the variable a step costs one branch.
#pragma once

// True when TASTOR_TRACE_STARTUP is set to a value other than "" or "0" (read once).
bool StartupTraceOn();

// Writes "tastor start-up: <ms since process start> (+<ms since the last step>) <step>"
// when the trace is on. The process start is the kernel's start time of the process.
void TraceStartup(const char* step);
