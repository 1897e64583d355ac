#pragma once

#include <string>
#include <vector>

#include <QWidget>

#include "framework/AfxRes.h"
#include "framework/WinApp.h"

// A window with a small message map that records what reached it.
class CBaseTestWnd : public CWnd {
public:
    std::vector<std::string> m_log;
    void OnBaseCommand() { m_log.push_back("base 100"); }
    void OnOverridden() { m_log.push_back("base 101"); }
    DECLARE_MESSAGE_MAP()
};

class CTestWnd : public CBaseTestWnd {
public:
    CTestWnd() { Attach(new QWidget, 0); }
    void OnOverridden() { m_log.push_back("derived 101"); }
    void OnCommand0x9000() { m_log.push_back("derived 9000"); }
    void OnClose() {
        m_log.push_back("close");
        DestroyWindow();
    }
    void OnUpdate102(CCmdUI* pCmdUI) { pCmdUI->Enable(m_bEnable102); }
    void OnUpdate103(CCmdUI* pCmdUI) { pCmdUI->SetCheck(1); }
    void OnCommand103() {}
    void PostNcDestroy() override { ++m_nNcDestroyed; }

    BOOL m_bEnable102 = FALSE;
    int m_nNcDestroyed = 0;
    DECLARE_MESSAGE_MAP()
};

// Records the state an update handler or the router set.
class CRecordingCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override {
        m_bEnableChanged = TRUE;
        m_nEnabled = bOn;
    }
    void SetCheck(int nCheck) override { m_nChecked = nCheck; }
    int m_nEnabled = -1;
    int m_nChecked = -1;
};
