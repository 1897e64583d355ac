#pragma once

// The program's resource identifiers. The framework's own (0xE000 and up)
// come from framework/AfxRes.h and are checked here against the table.

#include "framework/AfxRes.h"

#define IDD_ABOUT 101
#define IDD_MAIN 103
#define IDS_ASK_STOP_TO_CLEAR 103
#define IDS_ASK_STOP_TO_SORT 104
#define IDS_ASK_STOP_TO_SAVE 105
#define IDB_TOOLBAR 129
#define IDB_ABOUT_PICTURE 133
#define IDC_SERVICE_LIST 1000
#define ID_START_GATHERING 1005
#define ID_STOP_GATHERING 1006
#define ID_SHOW_ABOUT 1007
#define ID_CLEAR_LIST 1008
#define ID_SAVE_LIST 1009
#define ID_INDICATOR_COUNT 0xE706

static_assert(AFX_IDS_APP_TITLE == 0xE000 && AFX_IDS_IDLEMESSAGE == 0xE001);
static_assert(ID_APP_EXIT == 0xE141 && ID_HELP == 0xE146);
static_assert(ID_VIEW_TOOLBAR == 0xE800 && ID_VIEW_STATUS_BAR == 0xE801);
static_assert(IDOK == 1 && ID_SEPARATOR == 0);
