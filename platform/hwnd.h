// SPDX-License-Identifier: GPL-2.0-or-later
/* The program's window handle as the core and the sibling libraries see it.
 *
 * The core, TapHook and the other sibling libraries post window messages without
 * linking the GUI library: a window handle is a pointer to this small record, whose
 * post function delivers (wParam, lParam) as the given message number to the window.
 * The GUI fills it for each of its windows; the post function may be called from any
 * thread and must be safe to call after the window has gone (it then drops the message).
 * A null handle means "no window". */
#ifndef TASTOR_PLATFORM_HWND_H
#define TASTOR_PLATFORM_HWND_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TastorWindow TastorWindow;
struct TastorWindow {
  void (*post)(TastorWindow* self, unsigned int msg, uintptr_t wParam, intptr_t lParam);
};
typedef TastorWindow* HWND;

#ifdef __cplusplus
}
#endif

#endif
