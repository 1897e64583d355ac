#pragma once

// The base of the toolbar and the status bar: a child window that the layout
// places along one edge of its parent's client area.

#include "framework/Wnd.h"

class CControlBar : public CWnd {
public:
    CControlBar() = default;

    // The bar's height at its edge, in pixels.
    virtual int CalcFixedHeight() const = 0;
    // Called after the layout moved or sized the bar.
    virtual void OnBarMoved() {}
    BOOL IsBottomAligned() const { return (m_dwStyle & CBRS_ALIGN_BOTTOM) != 0 ? TRUE : FALSE; }

protected:
    // Makes the bar's window along the parent's full width, at its own height.
    BOOL CreateBar(CWnd* pParentWnd, DWORD dwStyle, UINT nID);

    DWORD m_dwStyle = 0;
};
