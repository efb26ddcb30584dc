// SPDX-License-Identifier: GPL-2.0-or-later
/* Velum: the skinned popup menus (combo-button lists and context menus), a sibling
 * library the program loads at start-up from its own folder.
 *
 * The program hands over a zero-filled array of item records, a screen position, text
 * colours, the paths of the item background images and a font description, and receives
 * the user's choice as WM_MENU_COMMAND (wParam = item value, lParam = context value)
 * posted through the owner's window handle. Nothing of the GUI library crosses this
 * interface: windows are HWNDs (platform/hwnd.h), positions and sizes are ints in screen
 * pixels, colours are COLORREFs (red in the low byte), texts are UTF-16, paths are UTF-8,
 * and the font is the platform's 92-byte logical-font record.
 *
 * The library draws with the Qt of the process that loads it and must be called on that
 * process's GUI thread while its QApplication exists. */
#ifndef TASTOR_VELUM_H
#define TASTOR_VELUM_H

#include <stdint.h>

#include "platform/hwnd.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VELUM_API __attribute__((visibility("default")))

/* Parent index of a top-level item. */
#define VELUM_TOP_LEVEL 255
/* Items in one menu array, and characters of an item text (without the terminator). */
#define VELUM_MAX_ITEMS 30
#define VELUM_TEXT_CHARS 39

/* One menu item, 88 bytes. Items of a submenu follow the item that opens it and name its
 * array index as their parent. */
typedef struct VelumMenuItem {
  int32_t parent;                        /* VELUM_TOP_LEVEL or the index of the parent item */
  int32_t value;                         /* returned to the owner when chosen */
  uint16_t text[VELUM_TEXT_CHARS + 1];   /* UTF-16, zero-terminated */
} VelumMenuItem;

/* A point in screen pixels. */
typedef struct VelumPoint {
  int32_t x;
  int32_t y;
} VelumPoint;

/* The platform's logical-font record (92 bytes). A negative height is the character height
 * in pixels (the font's pixel size), a positive one the cell height; weight 100 to 900. */
typedef struct LOGFONTW {
  int32_t lfHeight;
  int32_t lfWidth;
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  uint16_t lfFaceName[32];
} LOGFONTW;

typedef uint32_t VelumColour; /* COLORREF: red in the low byte */

/* Opens a popup menu with its top-left corner at *at (an open menu is closed first).
 * Image paths: normal, highlighted, pressed and spare background of a plain item, then the
 * same four for an item that opens a submenu; an empty or unreadable image is replaced by
 * a flat fill in *frame. font may be null (the application's default font is used).
 * Returns 1 when the menu is shown, 0 when there is nothing to show or no application. */
VELUM_API int CreateMenuEx(HWND owner, int itemHeight, int width, const VelumPoint* at,
                           VelumColour textNormal, VelumColour textHighlighted,
                           VelumColour textPressed, const char* image1, const char* image2,
                           const char* image3, const char* image4, const char* image5,
                           const char* image6, const char* image7, const char* image8,
                           intptr_t context, const VelumColour* frame,
                           const VelumMenuItem* items, int count, const LOGFONTW* font);

/* Closes the open menu and its submenus, if any; nothing is reported to the owner. */
VELUM_API void DestroyMenuEx(void);

/* Alignment of the item texts: 0 left, 1 centred, 2 right (other values: left). */
VELUM_API void SetMenuAlign(int align);

/* The library watches the application's own events while a menu is open (a press outside
 * the menu closes it, the arrow keys, Enter and Escape work the menu), so a host has
 * nothing to hand it: returns 0, "not handled". */
VELUM_API int DllPreTranslateMessage(const void* message);

/* Tells the library whether the host has started its graphics; the images and fonts come
 * from the host's Qt, so there is nothing to start here. */
VELUM_API void SetGdiInit(int started);

/* The entry points as the program resolves them. */
typedef int (*VelumCreateMenuExFn)(HWND, int, int, const VelumPoint*, VelumColour, VelumColour,
                                   VelumColour, const char*, const char*, const char*,
                                   const char*, const char*, const char*, const char*,
                                   const char*, intptr_t, const VelumColour*,
                                   const VelumMenuItem*, int, const LOGFONTW*);
typedef void (*VelumDestroyMenuExFn)(void);
typedef void (*VelumSetMenuAlignFn)(int);
typedef int (*VelumDllPreTranslateMessageFn)(const void*);
typedef void (*VelumSetGdiInitFn)(int);

#ifdef __cplusplus
}
#endif

#endif
