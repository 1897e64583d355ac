#pragma once

#include "ui/DialogBars.h"
#include "ui/ModelessDialog.h"

class CMenu;

// A modeless dialog with an icon, a status bar and a toolbar: menu prompts,
// menu command states, the bar toggles and closing, as a frame window has.
class CModelessMain : public CModelessDialog {
public:
    CModelessMain() = default;
    ~CModelessMain() override;

    BOOL CreateWithBars(UINT nIDTemplate, const UINT* pPaneIDs, int nPaneCount,
                        const UINT* pButtonIDs, int nButtonCount, UINT nIDBitmap);
    BOOL OnInitDialog() override;

    // Message handlers (public so that tests can call them as the map does).
    void OnClose();
    HICON OnQueryDragIcon();
    void OnEnterIdle(UINT nWhy, CWnd* pWho);
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    void OnMenuSelect(UINT nItemID, UINT nFlags, CMenu* hSysMenu);
    LRESULT OnSetPrompt(WPARAM wParam, LPARAM lParam);
    void OnToggleStatusBar();
    void OnToggleToolBar();
    void OnUpdateToggleStatusBar(CCmdUI* pCmdUI);
    void OnUpdateToggleToolBar(CCmdUI* pCmdUI);

    // The bars, for callers that lay out or inspect the frame.
    CDialogStatusBar& StatusBar() { return m_statusBar; }
    CDialogToolBar& ToolBar() { return m_toolBar; }

    UINT m_nIDPromptPending = 0;
    UINT m_nIDPromptShown = 0;

protected:
    HICON m_hFrameIcon = nullptr;
    const UINT* m_pPaneIDs = nullptr;
    int m_nPaneCount = 0;
    CDialogStatusBar m_statusBar;
    const UINT* m_pButtonIDs = nullptr;
    int m_nButtonCount = 0;
    UINT m_nIDToolBarBitmap = 0;
    CDialogToolBar m_toolBar;

    DECLARE_MESSAGE_MAP()
};
