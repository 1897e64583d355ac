#include "framework/WinApp.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <QWidget>

#include "framework/AfxRes.h"
#include "framework/CommonDialogs.h"
#include "framework/MessageQueue.h"
#include "framework/Resources.h"

namespace {
CWinApp* g_app = nullptr;
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* pszAppName) {
    if (pszAppName != nullptr) {
        m_strAppName = pszAppName;
    }
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) {
        g_app = nullptr;
    }
}

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app != nullptr ? g_app->m_pMainWnd : nullptr; }

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return m_nExitCode; }

BOOL CWinApp::PumpMessage() {
    AfxMessage msg;
    if (!afx::TakeHeldMessage(msg)) {
        afx::ProcessEventsHeld(false);
        if (!afx::TakeHeldMessage(msg)) {
            return TRUE;
        }
    }
    if (msg.message == WM_QUIT) {
        m_nExitCode = static_cast<int>(msg.wParam);
        return FALSE;
    }
    afx::DispatchAfxMessage(msg);
    return TRUE;
}

BOOL CWinApp::OnIdle(LONG lCount) {
    if (lCount > 0) {
        return FALSE;
    }
    afx::NoteIdleForMenus();
    CWnd* main = m_pMainWnd;
    if (main != nullptr && main->IsWindowVisible()) {
        main->SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
        main->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE);
    }
    return TRUE;
}

int CWinApp::Run() {
    for (;;) {
        for (LONG count = 0; !afx::HasQueuedMessages() && OnIdle(count); ++count) {
        }
        AfxWaitForMessageOrDescriptor(-1);
        do {
            if (!PumpMessage()) {
                return ExitInstance();
            }
        } while (afx::HasQueuedMessages());
    }
}

void CWinApp::OnAppExit() {
    if (m_pMainWnd != nullptr) {
        m_pMainWnd->SendMessage(WM_CLOSE);
    }
}

void CWinApp::OnHelp() {
    // The topic of the dialog in focus: its template number.
    DWORD topic = 0;
    for (QWidget* w = QApplication::focusWidget(); w != nullptr && topic == 0;
         w = w->parentWidget()) {
        if (CWnd* wnd = CWnd::FromWidget(w); wnd != nullptr && w->isWindow()) {
            topic = static_cast<DWORD>(wnd->GetDlgCtrlID());
        }
    }
    if (!WinHelp(HID_HELP_BASE + topic, HELP_CONTEXT)) {
        AfxMessageBox("Failed to launch help.", MB_OK | MB_ICONEXCLAMATION);
    }
}

BOOL CWinApp::WinHelp(DWORD dwData, UINT) {
    const QString path = QString::fromLocal8Bit(m_strHelpPath.c_str());
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return FALSE;
    }
    QUrl url = QUrl::fromLocalFile(path);
    url.setFragment(QStringLiteral("topic-%1").arg(dwData, 0, 16));
    return QDesktopServices::openUrl(url) ? TRUE : FALSE;
}

int AfxWinMain(int argc, char** argv) {
    // No command line is read: Qt gets only the program name.
    int qtArgc = argc > 0 ? 1 : 0;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    QApplication qtApp(qtArgc, qtArgv);
    afx::InstallQueue();
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return 0;
    }
    if (app->m_strAppName.empty() && !AfxLoadString(AFX_IDS_APP_TITLE, app->m_strAppName)) {
        app->m_strAppName = QFileInfo(QString::fromLocal8Bit(argv[0])).baseName().toStdString();
    }
    if (app->InitInstance()) {
        app->Run();
    } else {
        app->ExitInstance();
    }
    return 0;
}

std::string AfxFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        out.assign(buffer.data(), static_cast<std::size_t>(n));
    }
    va_end(args);
    return out;
}
