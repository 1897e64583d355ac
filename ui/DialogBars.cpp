#include "ui/DialogBars.h"

BEGIN_MESSAGE_MAP(CDialogToolBar, CToolBar)
    ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdate)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CDialogStatusBar, CStatusBar)
    ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdate)
END_MESSAGE_MAP()

LRESULT CDialogToolBar::OnIdleUpdate(WPARAM wParam, LPARAM) {
    if (IsWindowVisible() && GetParent() != nullptr) {
        OnUpdateCmdUI(GetParent(), static_cast<BOOL>(wParam));
    }
    return 0;
}

LRESULT CDialogStatusBar::OnIdleUpdate(WPARAM wParam, LPARAM) {
    if (IsWindowVisible() && GetParent() != nullptr) {
        OnUpdateCmdUI(GetParent(), static_cast<BOOL>(wParam));
    }
    return 0;
}
