#pragma once

// The framework's own identifiers: strings, commands, control-bar windows.

#include "framework/AfxTypes.h"

inline constexpr UINT ID_SEPARATOR = 0;
inline constexpr int IDC_STATIC = -1;  // 0xFFFF as a control id

inline constexpr UINT AFX_IDS_APP_TITLE = 0xE000;
inline constexpr UINT AFX_IDS_IDLEMESSAGE = 0xE001;
inline constexpr UINT AFX_IDS_SCFIRST = 0xEF00;

inline constexpr UINT ID_APP_EXIT = 0xE141;
inline constexpr UINT ID_HELP = 0xE146;
inline constexpr UINT ID_INDICATOR_EXT = 0xE700;

inline constexpr UINT AFX_IDW_CONTROLBAR_FIRST = 0xE800;
inline constexpr UINT AFX_IDW_CONTROLBAR_LAST = 0xE8FF;
inline constexpr UINT AFX_IDW_TOOLBAR = 0xE800;
inline constexpr UINT AFX_IDW_STATUS_BAR = 0xE801;
inline constexpr UINT ID_VIEW_TOOLBAR = 0xE800;
inline constexpr UINT ID_VIEW_STATUS_BAR = 0xE801;

inline constexpr UINT SC_SIZE = 0xF000;
inline constexpr UINT SC_CLOSE = 0xF060;

// Help topics are numbered from the template id of the dialog in focus.
inline constexpr DWORD HID_HELP_BASE = 0x20000;
