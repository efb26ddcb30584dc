// SPDX-License-Identifier: GPL-2.0-or-later
// Turns the termination signals (SIGTERM, SIGINT, SIGHUP) into a call on the UI thread,
// so that the program shuts down in order instead of dying mid-way.
#pragma once

#include <functional>

class QObject;

void InstallTerminationHandler(QObject* parent, std::function<void()> onTerminate);
