// SPDX-License-Identifier: GPL-2.0-or-later
/* TapHook: captures every key press and release of the X display and delivers it to one
 * window of the program as WM_HOOK_KEY (wParam = virtual-key code, lParam 0x80 for a
 * release). Without an X display the library still loads; installhook then fails quietly
 * and nothing is delivered. */
#ifndef TASTOR_TAPHOOK_H
#define TASTOR_TAPHOOK_H

#include "platform/hwnd.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TAPHOOK_API __attribute__((visibility("default")))

/* Connects to the display and starts the capture thread; 1 on success, 0 without a display
 * or without the RECORD extension. Calling it again while installed does nothing. */
TAPHOOK_API int installhook(void);
/* Stops the capture thread and disconnects; 1 when a hook was installed. */
TAPHOOK_API int removehook(void);
/* 1 starts delivering keys to the receiving window, 0 stops. */
TAPHOOK_API void SetHookStatus(int on);
/* The window that receives the keys (null: none). */
TAPHOOK_API void SetReciveWindow(HWND window);

#ifdef __cplusplus
}
#endif

#endif
