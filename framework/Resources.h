#pragma once

// The program's resources as constant tables: strings, menus, dialog
// templates (in dialog units), icons and bitmaps (XPM). The program registers
// its table once at start; the framework looks everything up by id.

#include <string>

#include "framework/AfxTypes.h"

struct AfxStringResource {
    UINT nID;
    const char* text;
};

// Menu items in resource order: a MENU_POPUP item opens a popup whose items
// follow; an item with MENU_END is the last of its popup (or of the bar).
inline constexpr UINT MENU_POPUP = 0x0010;
inline constexpr UINT MENU_SEPARATOR = 0x0800;
inline constexpr UINT MENU_END = 0x0080;

struct AfxMenuItemResource {
    UINT flags;
    UINT nID;
    const char* text;
};

struct AfxMenuResource {
    UINT nID;
    const AfxMenuItemResource* items;
    int count;
};

struct AfxDialogItemResource {
    const char* className;  // "SysListView32", "Static", "Button"
    const char* text;
    int nID;
    int x, y, cx, cy;       // dialog units
    DWORD style;
    UINT nImageID;          // SS_BITMAP: the bitmap shown
};

struct AfxDialogResource {
    UINT nID;
    const char* caption;
    int x, y, cx, cy;       // dialog units
    DWORD style;
    DWORD exStyle;
    UINT nMenuID;           // 0: none
    const char* fontFace;
    int pointSize;
    const AfxDialogItemResource* items;
    int count;
};

struct AfxIconResource {
    UINT nID;
    const char* const* xpmLarge;  // 32 x 32
    const char* const* xpmSmall;  // 16 x 16
};

struct AfxBitmapResource {
    UINT nID;
    const char* const* xpm;
};

struct AfxResourceTable {
    const AfxStringResource* strings;
    int stringCount;
    const AfxMenuResource* menus;
    int menuCount;
    const AfxDialogResource* dialogs;
    int dialogCount;
    const AfxIconResource* icons;
    int iconCount;
    const AfxBitmapResource* bitmaps;
    int bitmapCount;
};

void AfxSetResourceTable(const AfxResourceTable* table);

// LoadString: FALSE when there is no such string.
BOOL AfxLoadString(UINT nID, std::string& text);
// LoadIcon: the shared icon, or null when there is none.
HICON AfxLoadIcon(UINT nID);

const AfxMenuResource* AfxFindMenu(UINT nID);
const AfxDialogResource* AfxFindDialog(UINT nID);
const AfxBitmapResource* AfxFindBitmap(UINT nID);
