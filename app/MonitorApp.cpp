#include "app/MonitorApp.h"

#include <new>
#include <string>

#include "framework/AfxRes.h"
#include "framework/Resources.h"
#include "framework/SingleInstance.h"
#include "ui/ServiceListDialog.h"
#include "ui/res/ZorvikResources.h"

BEGIN_MESSAGE_MAP(CMonitorApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

BOOL IsFirstInstance() {
    // No window search by caption exists here: a per-user socket stands in.
    std::string title;
    AfxLoadString(AFX_IDS_APP_TITLE, title);
    for (char& c : title) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return AfxClaimSingleInstance(title.empty() ? "zorvik" : title.c_str());
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
