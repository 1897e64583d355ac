#include "app/MonitorApp.h"

#include <new>

#include "framework/AfxRes.h"
#include "framework/Resources.h"
#include "ui/ServiceListDialog.h"
#include "ui/res/ZorvikResources.h"

BEGIN_MESSAGE_MAP(CMonitorApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

BOOL IsFirstInstance() {
    // Not built yet: no running instance is looked for.
    return TRUE;
}

BOOL CMonitorApp::InitInstance() {
    AfxSetResourceTable(&ZorvikResources());
    m_strHelpPath = ZORVIK_HELP_DIR "/zorvik.html";
    if (!IsFirstInstance()) {
        return FALSE;
    }
    try {
        auto* dialog = new CServiceListDialog;
        m_pMainWnd = dialog;
        return dialog->Create();
    } catch (const std::bad_alloc&) {
        m_pMainWnd = nullptr;
        return FALSE;
    }
}
