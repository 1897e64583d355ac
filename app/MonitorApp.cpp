#include "app/MonitorApp.h"

#include <new>
#include <string>

#include <unistd.h>

#include "framework/AfxRes.h"
#include "framework/Resources.h"
#include "framework/SingleInstance.h"
#include "ui/ServiceListDialog.h"
#include "ui/res/ZorvikResources.h"

BEGIN_MESSAGE_MAP(CMonitorApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

namespace {

// The guide installed beside the program (PREFIX/share/zorvik/help), else the
// one in the source tree of a build.
std::string HelpGuidePath() {
    char exe[4096];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length > 0) {
        std::string dir(exe, static_cast<std::size_t>(length));
        dir.erase(dir.rfind('/'));
        const std::string installed = dir + "/../share/zorvik/help/zorvik.html";
        if (access(installed.c_str(), R_OK) == 0) return installed;
    }
    return ZORVIK_HELP_DIR "/zorvik.html";
}

}  // namespace

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
    m_strHelpPath = HelpGuidePath();
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
