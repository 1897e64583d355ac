#pragma once

#include "framework/WinApp.h"

// The application object: one instance, the main window, the help key.
class CMonitorApp : public CWinApp {
public:
    CMonitorApp() = default;
    BOOL InitInstance() override;
    DECLARE_MESSAGE_MAP()
};

// TRUE when no running instance was found.
BOOL IsFirstInstance();
