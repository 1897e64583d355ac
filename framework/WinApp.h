#pragma once

// The application object, its message loop with idle processing, and the
// message-queue calls that loops running inside a handler use.

#include <string>

#include "framework/Wnd.h"

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // The message loop: idle processing whenever the queue is empty, then
    // waits; ends when the quit message is retrieved.
    virtual int Run();
    // Retrieves and dispatches one message; FALSE when it was the quit message.
    virtual BOOL PumpMessage();
    // Idle work: count 0 updates the main window's control bars; TRUE while
    // more idle work remains.
    virtual BOOL OnIdle(LONG lCount);

    void OnAppExit();  // ID_APP_EXIT: WM_CLOSE to the main window
    void OnHelp();     // ID_HELP: the topic of the dialog in focus
    // Opens a help topic; FALSE when the help could not be shown.
    virtual BOOL WinHelp(DWORD dwData, UINT nCmd = HELP_CONTEXT);

    CWnd* m_pMainWnd = nullptr;
    std::string m_strAppName;    // the application title
    std::string m_strHelpPath;   // the help guide's file
    int m_nExitCode = 0;

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();

// Cheap check, dispatching nothing: is a message waiting for the program (or
// is it time to let the window system run)?
BOOL AfxIsMessagePending();
// Blocks without using the processor until a message is waiting or fd (-1:
// none) is readable. Dispatches none of the program's messages.
void AfxWaitForMessageOrDescriptor(int fd);
// Asks every message loop to end; posted behind the messages already waiting.
void AfxPostQuitMessage(int nExitCode);

// The framework's start: window system, title, InitInstance, Run. Reads no
// command line. Returns the process exit code.
int AfxWinMain(int argc, char** argv);

// printf-style formatting into a string.
std::string AfxFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
