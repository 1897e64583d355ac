#pragma once

#include "framework/ListCtrl.h"
#include "ui/ModelessMain.h"

// The main window: the service list between a toolbar and a status bar.
class CServiceListDialog : public CModelessMain {
public:
    CServiceListDialog();
    ~CServiceListDialog() override;

    BOOL Create();
    BOOL OnInitDialog() override;

    // Message handlers; the commands are in ServiceListCommands.cpp.
    HICON OnQueryDragIcon();
    void OnClose();
    void OnStartGathering();
    void OnStopGathering();
    void OnClearList();
    void OnShowAbout();
    void OnSaveList();
    void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult);
    void OnUpdateServiceCount(CCmdUI* pCmdUI);
    // Enter and Esc destroy the window without the close handler; the rows
    // and their records must not outlive it either way.
    LRESULT OnDestroyWindow(WPARAM wParam, LPARAM lParam);

    BOOL m_bGathering = 0;
    CListCtrl m_listServices;
    int m_nServiceCount = 0;
    HICON m_hAppIcon = nullptr;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Releases the record behind every row (the rows stay).
    void ReleaseServiceRecords();
    BOOL AskToStopGathering(UINT nIDPrompt);
    void SaveReport();

    DECLARE_MESSAGE_MAP()
};
