#pragma once

// A window object: the program's view of one widget, with its message map,
// command routing, and the operations the program's windows rely on.

#include <cstdint>
#include <string>

#include "framework/CmdTarget.h"

class QWidget;
class CMenu;
class CDataExchange;

// A window handle: a serial number that is never reused, so that a message
// posted to a window that is gone by delivery time is simply dropped.
using HWND = std::uint64_t;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;

    // The window object of a handle or widget; null when there is none.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromWidget(const QWidget* widget);

    HWND GetSafeHwnd() const { return m_hWnd; }
    QWidget* GetWidget() const { return m_pWidget; }
    // The widget that holds the window's child controls; the client area.
    virtual QWidget* GetClientWidget() const;

    // Binds this object to an existing widget (which must have none yet).
    virtual BOOL Attach(QWidget* widget, UINT nID = 0);
    QWidget* Detach();

    UINT GetDlgCtrlID() const { return m_nID; }
    CWnd* GetParent() const;
    CWnd* GetDlgItem(int nID) const;
    // The first child in z-order and the next sibling, among children that
    // are windows of ours.
    CWnd* GetTopWindow() const;
    CWnd* GetNextWindow() const;

    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    void SetFocus();
    void SetForegroundWindow();

    void GetWindowRect(CRect* rect) const;  // screen coordinates
    void GetClientRect(CRect* rect) const;  // client coordinates, origin (0, 0)
    void ScreenToClient(CRect* rect) const;
    void ClientToScreen(CRect* rect) const;
    void MoveWindow(const CRect& rect, BOOL bRepaint = TRUE);
    void CenterWindow(CWnd* pAlternateOwner = nullptr);

    void SetWindowText(const char* text);
    std::string GetWindowText() const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    virtual CMenu* GetMenu() const { return nullptr; }

    // Lays out the control bars among the children with ids nIDFirst to
    // nIDLast along the client edges; reposQuery only reports what is left.
    void RepositionBars(UINT nIDFirst, UINT nIDLast, UINT nIDLeftOver, UINT nFlag = reposDefault,
                        CRect* pRectParam = nullptr, const CRect* pRectClient = nullptr,
                        BOOL bStretch = TRUE);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                                  BOOL bDeep = TRUE);

    virtual BOOL DestroyWindow();
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;

protected:
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled.
    LRESULT Default();

    virtual void DoDataExchange(CDataExchange* pDX);
    // Called after the window's last message; the window is gone.
    virtual void PostNcDestroy();
    // Called when the widget goes away by other means than DestroyWindow
    // (its parent was destroyed).
    virtual void OnWidgetDestroyed();

    void SetDlgCtrlID(UINT nID) { m_nID = nID; }

    HWND m_hWnd = 0;
    QWidget* m_pWidget = nullptr;
    UINT m_nID = 0;

private:
    struct CurrentMessage {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    CurrentMessage m_current;
    friend class CWndLink;
};

// The dialog data exchange context.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Binds control nIDC of the dialog to rControl the first time.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// Posts a message to a window by handle; the message is dropped when the
// window is gone by the time it is delivered.
BOOL AfxPostMessage(HWND hWnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
