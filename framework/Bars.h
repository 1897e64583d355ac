#pragma once

// The toolbar (buttons from an image strip, separators) and the status bar
// (a stretching message pane and panes sized by their strings).

#include <string>
#include <vector>

#include "framework/ControlBar.h"

class CToolBar : public CControlBar {
public:
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID);
    // The strip's black, dark grey, light grey and white take the palette's
    // button text, shadow, face and highlight colours.
    BOOL LoadBitmap(UINT nIDResource);
    BOOL SetButtons(const UINT* lpIDArray, int nIDCount);
    // Updates each button but separators from pTarget.
    void OnUpdateCmdUI(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

    int CalcFixedHeight() const override;
    int GetButtonCount() const { return static_cast<int>(m_ids.size()); }
    UINT GetItemID(int nIndex) const;
    BOOL IsButtonEnabled(int nIndex) const;
    BOOL IsButtonChecked(int nIndex) const;
    // Presses and releases button nIndex with the mouse (tests, tools).
    void ClickButton(int nIndex);

    static inline constexpr int kButtonWidth = 23;
    static inline constexpr int kButtonHeight = 22;
    static inline constexpr int kSeparatorWidth = 8;

private:
    std::vector<UINT> m_ids;
    std::vector<class QImage>* m_pImages = nullptr;
    friend class CToolCmdUI;
};

class CStatusBar : public CControlBar {
public:
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID);
    BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);
    UINT GetItemID(int nIndex) const;
    int CommandToIndex(UINT nIDFind) const;
    void SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth);
    // Changes the text only when it differs (idle updates run very often).
    BOOL SetPaneText(int nIndex, const char* text);
    std::string GetPaneText(int nIndex) const;
    // The message pane's text is the bar's window text.
    void SetMessageText(const char* text);
    void EnablePane(int nIndex, BOOL bEnable);
    // Updates each pane from pTarget, never disabling one for lack of a handler.
    void OnUpdateCmdUI(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

    int CalcFixedHeight() const override;
    void OnBarMoved() override { Relayout(); }
    // A pane's rectangle within the bar (tests).
    CRect GetItemRect(int nIndex) const;

private:
    struct Pane {
        UINT nID = 0;
        UINT nStyle = 0;
        int cx = 0;
        std::string text;
        class QLabel* label = nullptr;
    };
    void Relayout();
    std::vector<Pane> m_panes;
    friend class CStatusCmdUI;
};
