#include "ui/ServiceListDialog.h"

#include <string>

#include "framework/Resources.h"
#include "framework/WinApp.h"
#include "sap/ServiceListControl.h"
#include "ui/AboutDialog.h"
#include "ui/res/ZorvikResources.h"
#include "ui/res/resource.h"

static_assert(sap::ServiceListControl<CListCtrl>);

BEGIN_MESSAGE_MAP(CServiceListDialog, CModelessMain)
    ON_WM_QUERYDRAGICON()
    ON_WM_CLOSE()
    ON_COMMAND(ID_START_GATHERING, OnStartGathering)
    ON_COMMAND(ID_STOP_GATHERING, OnStopGathering)
    ON_COMMAND(ID_CLEAR_LIST, OnClearList)
    ON_COMMAND(ID_SHOW_ABOUT, OnShowAbout)
    ON_COMMAND(ID_SAVE_LIST, OnSaveList)
    ON_NOTIFY(LVN_COLUMNCLICK, IDC_SERVICE_LIST, OnColumnClick)
    ON_UPDATE_COMMAND_UI(ID_INDICATOR_COUNT, OnUpdateServiceCount)
    ON_MESSAGE(WM_DESTROY, OnDestroyWindow)
END_MESSAGE_MAP()

namespace {
struct Column {
    const char* heading;
    int width;
};
const Column kColumns[] = {{"Service Name", 185},
                           {"Type", 46},
                           {"Network Address - Net:Node:Socket", 190},
                           {"Hops", 49}};
}  // namespace

CServiceListDialog::CServiceListDialog() { m_hAppIcon = AfxLoadIcon(IDD_MAIN); }

CServiceListDialog::~CServiceListDialog() = default;

BOOL CServiceListDialog::Create() {
    return CreateWithBars(IDD_MAIN, kStatusPanes, 2, kToolbarButtons, 10, IDB_TOOLBAR);
}

void CServiceListDialog::DoDataExchange(CDataExchange* pDX) {
    CModelessMain::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SERVICE_LIST, m_listServices);
}

BOOL CServiceListDialog::OnInitDialog() {
    CModelessMain::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hAppIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hAppIcon));
    for (int i = 0; i < 4; ++i) {
        m_listServices.InsertColumn(i, kColumns[i].heading, LVCFMT_LEFT, kColumns[i].width);
    }
    m_bGathering = 0;
    m_nServiceCount = 0;
    return TRUE;
}

HICON CServiceListDialog::OnQueryDragIcon() { return m_hAppIcon; }

void CServiceListDialog::OnShowAbout() {
    CAboutDialog about;
    about.DoModal();
}

void CServiceListDialog::OnUpdateServiceCount(CCmdUI* pCmdUI) {
    const std::string text = AfxFormat("%ld", static_cast<long>(m_nServiceCount));
    const int index = m_statusBar.CommandToIndex(ID_INDICATOR_COUNT);
    if (index >= 0) {
        m_statusBar.SetPaneText(index, text.c_str());
    }
    pCmdUI->Enable(TRUE);
}

void CServiceListDialog::OnClose() {
    m_bGathering = 0;
    ReleaseServiceRecords();
    CModelessMain::OnClose();
}
