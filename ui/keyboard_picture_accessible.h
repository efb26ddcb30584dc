// SPDX-License-Identifier: GPL-2.0-or-later
// The keys of the main window's keyboard picture for assistive technology and the
// keyboard: the picture reads as a list whose items are its keys, each named as the key's
// cap reads on the user's layout (the names "tastor-cli keyname" prints), described by its
// function in the current profile ("Volume up", "Macro - Reload", or "Default"), the
// clicked key selected and the focus key focused. NeighbourKey moves the focus key across
// the keys by rows as drawn. The main window installs the factory; the picture calls the
// Notify functions. Reaches the key table, the current profile and the key names.
#pragma once

#include <QRect>
#include <string>
#include <vector>

#include "base/key_function.h"

class CKBColorDlg;

// Installs the interface factory for the keyboard picture (once).
void InstallKeyboardPictureAccessible();

// The name of key `index` of the key table: its key's name, or for a modifier key the
// name of that modifier key; "#index" when neither gives one.
std::u16string KeyCapName(const KeyFunction& record, int index);

// The focus key moved, or the picture got the focus with it.
void NotifyKeyFocus(CKBColorDlg* picture, int key);
// The clicked key changed (-1: none).
void NotifyKeySelected(CKBColorDlg* picture, int key);

// The key next to `from` in a direction among keys with these bounds: left and right stay
// in the rows the key lies in, up and down go to the nearest row above or below and there
// to the key nearest in x. `from` itself when there is none that way; the first key for a
// `from` that is no key.
enum class KeyStep { kLeft, kRight, kUp, kDown };
int NeighbourKey(const std::vector<QRect>& bounds, int from, KeyStep step);
