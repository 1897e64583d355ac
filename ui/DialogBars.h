#pragma once

#include "framework/Bars.h"

// The framework's bars, with their idle-time updates taken from the dialog
// that is their parent.
class CDialogToolBar : public CToolBar {
protected:
    LRESULT OnIdleUpdate(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()
};

class CDialogStatusBar : public CStatusBar {
protected:
    LRESULT OnIdleUpdate(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()
};
