#include "ui/res/ZorvikResources.h"

#include <iterator>

#include "ui/res/resource.h"

#include "ui/res/about133.xpm"
#include "ui/res/icon103_16.xpm"
#include "ui/res/icon103_32.xpm"
#include "ui/res/toolbar129.xpm"

namespace {

const AfxStringResource kStrings[] = {
    {IDS_ASK_STOP_TO_CLEAR, "The list cannot be cleared while gathering SAP data. Do you wish to stop gathing SAP data and clear the list?"},
    {IDS_ASK_STOP_TO_SORT, "The column cannot be sorted while gathering SAP data. Do you wish to stop gathing SAP data and sort the list?"},
    {IDS_ASK_STOP_TO_SAVE, "The SAP data cannot be saved while gathering SAP data. Do you wish to stop gathing SAP data and save the list?"},
    {ID_START_GATHERING, "Start gathering SAP data..."},
    {ID_STOP_GATHERING, "Stop gathering SAP data"},
    {ID_SHOW_ABOUT, "Display information about application"},
    {ID_CLEAR_LIST, "Clear SAP List"},
    {ID_SAVE_LIST, "Save SAP data to file"},
    {AFX_IDS_APP_TITLE, "Zorvik"},
    {AFX_IDS_IDLEMESSAGE, "Ready"},
    {ID_APP_EXIT, "Exit Application"},
    {ID_INDICATOR_COUNT, "0000"},
    {ID_VIEW_TOOLBAR, "Toggle toolbar display"},
    {ID_VIEW_STATUS_BAR, "Toggle status bar display"},
};

const AfxMenuItemResource kMainMenu[] = {
    {MENU_POPUP, 0, "&File"},
    {0, ID_SAVE_LIST, "Save"},
    {MENU_END, ID_APP_EXIT, "E&xit"},
    {MENU_POPUP, 0, "&Options"},
    {0, ID_START_GATHERING, "Start Gathering SAP Data"},
    {0, ID_STOP_GATHERING, "Stop Gather SAP Data"},
    {MENU_SEPARATOR, 0, nullptr},
    {MENU_END, ID_CLEAR_LIST, "Clear SAP List"},
    {MENU_POPUP, 0, "&View"},
    {0, ID_VIEW_STATUS_BAR, "&Status Bar"},
    {MENU_END, ID_VIEW_TOOLBAR, "&Toolbar"},
    {MENU_POPUP | MENU_END, 0, "&Help"},
    {MENU_END, ID_SHOW_ABOUT, "&About..."},
};

const AfxMenuResource kMenus[] = {{IDD_MAIN, kMainMenu, static_cast<int>(std::size(kMainMenu))}};

const AfxDialogItemResource kMainItems[] = {
    {"SysListView32", "", IDC_SERVICE_LIST, 7, 3, 316, 213,
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT, 0},
};

const AfxDialogItemResource kAboutItems[] = {
    {"Static", nullptr, IDD_MAIN, 11, 17, 18, 20, WS_CHILD | WS_VISIBLE | SS_BITMAP, IDB_ABOUT_PICTURE},
    {"Static", "Zorvik Version 1.0", IDC_STATIC, 40, 10, 119, 8,
     WS_CHILD | WS_VISIBLE | WS_GROUP | SS_NOPREFIX, 0},
    {"Static", "Written for IPX network administrators", IDC_STATIC, 40, 25, 119, 8,
     WS_CHILD | WS_VISIBLE | WS_GROUP, 0},
    {"Button", "OK", IDOK, 178, 7, 32, 14,
     WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
};

const AfxDialogResource kDialogs[] = {
    {IDD_MAIN, "Zorvik", 0, 0, 330, 223,
     WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT,
     WS_EX_APPWINDOW, IDD_MAIN, "MS Sans Serif", 8, kMainItems, static_cast<int>(std::size(kMainItems))},
    {IDD_ABOUT, "About Zorvik", 0, 0, 217, 55,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, "MS Sans Serif", 8,
     kAboutItems, static_cast<int>(std::size(kAboutItems))},
};

const AfxIconResource kIcons[] = {{IDD_MAIN, icon103_32_xpm, icon103_16_xpm}};
const AfxBitmapResource kBitmaps[] = {{IDB_TOOLBAR, toolbar129_xpm}, {IDB_ABOUT_PICTURE, about133_xpm}};

const AfxResourceTable kTable = {
    kStrings, static_cast<int>(std::size(kStrings)), kMenus, 1, kDialogs, 2, kIcons, 1, kBitmaps, 2};

}  // namespace

const UINT kToolbarButtons[10] = {ID_APP_EXIT, ID_SEPARATOR, ID_SAVE_LIST, ID_SEPARATOR,
                                  ID_START_GATHERING, ID_STOP_GATHERING, ID_SEPARATOR,
                                  ID_CLEAR_LIST, ID_SEPARATOR, ID_SHOW_ABOUT};
const UINT kStatusPanes[2] = {ID_SEPARATOR, ID_INDICATOR_COUNT};

const AfxResourceTable& ZorvikResources() { return kTable; }
