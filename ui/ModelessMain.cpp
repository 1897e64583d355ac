#include "ui/ModelessMain.h"

#include <string>

#include "framework/AfxRes.h"
#include "framework/Menu.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"

// OnPaint and OnEraseBkgnd, which draw the icon of a minimised window, are
// not in the map: no window manager on X11 asks a program to paint its icon.
// The window icon is set instead (WM_SETICON).
BEGIN_MESSAGE_MAP(CModelessMain, CModelessDialog)
    ON_WM_CLOSE()
    ON_WM_QUERYDRAGICON()
    ON_WM_ENTERIDLE()
    ON_WM_INITMENUPOPUP()
    ON_WM_MENUSELECT()
    ON_MESSAGE(WM_SETMESSAGESTRING, OnSetPrompt)
    ON_COMMAND(ID_VIEW_STATUS_BAR, OnToggleStatusBar)
    ON_COMMAND(ID_VIEW_TOOLBAR, OnToggleToolBar)
    ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, OnUpdateToggleStatusBar)
    ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, OnUpdateToggleToolBar)
END_MESSAGE_MAP()

CModelessMain::~CModelessMain() = default;

BOOL CModelessMain::CreateWithBars(UINT nIDTemplate, const UINT* pPaneIDs, int nPaneCount,
                                   const UINT* pButtonIDs, int nButtonCount, UINT nIDBitmap) {
    m_hFrameIcon = AfxLoadIcon(nIDTemplate);
    m_pPaneIDs = pPaneIDs;
    m_nPaneCount = nPaneCount;
    m_pButtonIDs = pButtonIDs;
    m_nButtonCount = nButtonCount;
    m_nIDToolBarBitmap = nIDBitmap;
    return Create(nIDTemplate, nullptr);
}

BOOL CModelessMain::OnInitDialog() {
    CModelessDialog::OnInitDialog();
    if (m_statusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR)) {
        m_statusBar.SetIndicators(m_pPaneIDs, m_nPaneCount);
        OnSetPrompt(AFX_IDS_IDLEMESSAGE, 0);
        m_statusBar.SetPaneInfo(0, m_statusBar.GetItemID(0), SBPS_STRETCH, 0);
    }
    if (m_toolBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_TOP, AFX_IDW_TOOLBAR)) {
        m_toolBar.LoadBitmap(m_nIDToolBarBitmap & 0xFFFF);
        m_toolBar.SetButtons(m_pButtonIDs, m_nButtonCount);
    }
    CRect start;
    GetClientRect(&start);
    CRect rest;
    RepositionBars(AFX_IDW_CONTROLBAR_FIRST, AFX_IDW_CONTROLBAR_LAST, 0, reposQuery, &rest, nullptr,
                   TRUE);
    const int dx = rest.left - start.left;
    const int dy = rest.top - start.top;
    for (CWnd* child = GetTopWindow(); child != nullptr; child = child->GetNextWindow()) {
        CRect r;
        child->GetWindowRect(&r);
        ScreenToClient(&r);
        r.OffsetRect(dx, dy);
        child->MoveWindow(r, FALSE);
    }
    CRect window;
    GetWindowRect(&window);
    window.right += start.Width() - rest.Width();
    window.bottom += start.Height() - rest.Height();
    MoveWindow(window, FALSE);
    RepositionBars(AFX_IDW_CONTROLBAR_FIRST, AFX_IDW_CONTROLBAR_LAST, 0, reposDefault, nullptr,
                   nullptr, TRUE);
    CenterWindow();
    return TRUE;
}

void CModelessMain::OnMenuSelect(UINT nItemID, UINT nFlags, CMenu*) {
    if (nFlags == 0xFFFF) {
        m_nIDPromptPending = AFX_IDS_IDLEMESSAGE;
        OnSetPrompt(AFX_IDS_IDLEMESSAGE, 0);
    } else if (nItemID == 0 || (nFlags & (MF_SEPARATOR | MF_MENUBREAK | MF_MENUBARBREAK | MF_POPUP)) != 0) {
        m_nIDPromptPending = 0;
    } else if (nItemID >= SC_SIZE && nItemID < 0xF1F0) {
        m_nIDPromptPending = ((nItemID - SC_SIZE) >> 4) + AFX_IDS_SCFIRST;
    } else {
        m_nIDPromptPending = nItemID;
    }
}

void CModelessMain::OnEnterIdle(UINT nWhy, CWnd*) {
    if (nWhy == MSGF_MENU && m_nIDPromptPending != m_nIDPromptShown) {
        OnSetPrompt(m_nIDPromptPending, 0);
    }
}

LRESULT CModelessMain::OnSetPrompt(WPARAM wParam, LPARAM) {
    const auto id = static_cast<UINT>(wParam);
    std::string text;
    if (id != 0 && AfxLoadString(id, text) && m_statusBar.GetSafeHwnd() != 0) {
        m_statusBar.SetMessageText(text.c_str());
    }
    const UINT previous = m_nIDPromptShown;
    m_nIDPromptPending = id;
    m_nIDPromptShown = id;
    return static_cast<LRESULT>(previous);
}

void CModelessMain::OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL bSysMenu) {
    if (bSysMenu || pPopupMenu == nullptr) {
        return;
    }
    const UINT count = pPopupMenu->GetMenuItemCount();
    for (UINT pos = 0; pos < count; ++pos) {
        CCmdUI state;
        state.m_pMenu = pPopupMenu;
        state.m_nIndex = pos;
        state.m_nID = pPopupMenu->GetMenuItemID(static_cast<int>(pos));
        if (state.m_nID == 0) {
            continue;
        }
        if (state.m_nID == 0xFFFFFFFF) {
            CMenu* sub = pPopupMenu->GetSubMenu(static_cast<int>(pos));
            if (sub == nullptr) {
                continue;
            }
            state.m_pSubMenu = sub;
            state.m_nID = sub->GetMenuItemID(0);
            if (state.m_nID == 0 || state.m_nID == 0xFFFFFFFF) {
                continue;
            }
            state.DoUpdate(this, FALSE);
            continue;
        }
        state.DoUpdate(this, state.m_nID < SC_SIZE);
    }
}

HICON CModelessMain::OnQueryDragIcon() { return m_hFrameIcon; }

void CModelessMain::OnToggleStatusBar() {
    if (m_statusBar.GetSafeHwnd() != 0) {
        m_statusBar.ShowWindow(m_statusBar.IsWindowVisible() ? SW_HIDE : SW_SHOWNA);
    }
}

void CModelessMain::OnToggleToolBar() {
    if (m_toolBar.GetSafeHwnd() != 0) {
        m_toolBar.ShowWindow(m_toolBar.IsWindowVisible() ? SW_HIDE : SW_SHOWNA);
    }
}

void CModelessMain::OnUpdateToggleStatusBar(CCmdUI* pCmdUI) {
    if (m_statusBar.GetSafeHwnd() != 0) {
        pCmdUI->SetCheck(m_statusBar.IsWindowVisible() ? 1 : 0);
    }
}

void CModelessMain::OnUpdateToggleToolBar(CCmdUI* pCmdUI) {
    if (m_toolBar.GetSafeHwnd() != 0) {
        pCmdUI->SetCheck(m_toolBar.IsWindowVisible() ? 1 : 0);
    }
}

void CModelessMain::OnClose() {
    Default();
    AfxPostQuitMessage(0);
}
