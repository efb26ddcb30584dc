// SPDX-License-Identifier: GPL-2.0-or-later
// What assistive technology (a screen reader over AT-SPI) is told about the skinned
// controls: a role, a name, a state and, where it has one, a value, for CPngBtn, CComboBtn,
// the slider bar, the colour swatch and the macro tree with its items. The program installs
// the factory once at start (InstallAccessibleControls, before the first window); the
// controls call the Notify functions when what a reader follows changes. Reaches only Qt's
// accessibility interfaces and the controls' public state.
#pragma once

class QObject;
class QWidget;

// Installs the interface factory for the skinned controls (once; later calls do nothing).
void InstallAccessibleControls();

// A slider's value changed (by the mouse, the keyboard or the program).
void NotifyAccessibleValue(QObject* slider, int value);
// A button's checked state or caption changed.
void NotifyAccessibleState(QWidget* control);
