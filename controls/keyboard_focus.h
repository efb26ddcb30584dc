// SPDX-License-Identifier: GPL-2.0-or-later
// Keyboard use of the skinned windows: which focused controls take Space and Enter (the
// skinned dialogs swallow those keys for everything else), and the focus ring, a frame in
// the skin's colour around the focused control that shows only once the user has pressed a
// key and goes again with the next mouse press, so a mouse user sees the windows as drawn.
// The program installs the ring once (main window); the skinned dialog asks
// TakesActivationKey; controls with a focus area of their own (the keyboard picture's keys)
// report it through FocusAreaProvider. Reaches only Qt's widgets and events.
#pragma once

#include <QColor>
#include <QRect>
#include <vector>

class QKeyEvent;
class QObject;
class QWidget;

// Marks a control as one that Space and Enter press while it has the focus.
void TakeActivationKeys(QWidget& control);
// True when the key is Space, Return or Enter aimed at a focused control so marked.
bool TakesActivationKey(const QObject* receiver, const QKeyEvent& key);

// Tab goes through the controls in this order (each becomes a tab stop; whether a click
// focuses it stays as it was), and the first has the focus when the window comes up; controls that were never given their place in the window (their creation
// failed, or the window does not use them) are left out.
void SetKeyboardOrder(const QWidget& window, const std::vector<QWidget*>& controls);

// A control whose focus is a part of it: the ring goes around FocusArea (the control's
// coordinates; empty for none) instead of the whole control.
class FocusAreaProvider {
 public:
  virtual ~FocusAreaProvider() = default;
  virtual QRect FocusArea() const = 0;
};

// Starts the focus ring in the colour (once; a later call only changes the colour).
void InstallFocusRing(QColor colour);
// The control's focus area moved (FocusAreaProvider): the ring follows.
void FocusAreaChanged(QWidget* control);
// True between a key press and the next mouse press (the ring shows).
bool KeyboardInUse();
