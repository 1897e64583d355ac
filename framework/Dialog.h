#pragma once

// A dialog built from a template in dialog units, with its menu; modeless
// (Create) or modal (DoModal). Enter sends IDOK, Esc IDCANCEL, F1 WM_HELP; the
// close box sends WM_CLOSE, whose default processing posts IDCANCEL.

#include <memory>
#include <vector>

#include "framework/Wnd.h"

class QEventLoop;

class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}
    ~CDialog() override;

    // Modeless: creates the window, runs OnInitDialog, shows it when the
    // template says so. On failure PostNcDestroy has run before FALSE returns.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // Modal over the main window (or the given parent): IDOK, IDCANCEL, or -1.
    int DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    QWidget* GetClientWidget() const override;
    CMenu* GetMenu() const override;
    UINT GetTemplateID() const { return m_nIDTemplate; }

    // Dialog units of this dialog's font to pixels.
    void MapDialogRect(CRect* rect) const;

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnWidgetDestroyed() override;

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

    DECLARE_MESSAGE_MAP()

private:
    BOOL CreateFromTemplate(QWidget* parentWidget, bool modal);
    BOOL BuildMenu(UINT nMenuID);

    QWidget* m_pClient = nullptr;
    CMenu* m_pMenu = nullptr;
    int m_nBaseX = 6;
    int m_nBaseY = 13;
    QEventLoop* m_pModalLoop = nullptr;
    int m_nModalResult = -1;
    bool m_bEnded = false;
    std::vector<std::unique_ptr<CWnd>> m_standIns;
};

// An internal message: a menu was hidden; WM_MENUSELECT reports a close when
// no other menu of the bar took its place.
inline constexpr UINT WM_AFX_MENUHIDDEN = 0x0366;
