#pragma once

// A menu as the program sees it: items by position, ids, nested popups.

#include "framework/AfxTypes.h"

class QMenu;

class CMenu {
public:
    // The menu object of a Qt menu, made on first use, gone with the menu.
    static CMenu* FromQMenu(QMenu* menu);

    UINT GetMenuItemCount() const;
    // 0 for a separator, 0xFFFFFFFF for an item that opens a popup.
    UINT GetMenuItemID(int nPos) const;
    CMenu* GetSubMenu(int nPos) const;

    void EnableMenuItem(int nPos, BOOL bEnable);
    void CheckMenuItem(int nPos, BOOL bCheck);
    void SetMenuItemText(int nPos, const char* text);
    BOOL IsMenuItemEnabled(int nPos) const;
    BOOL IsMenuItemChecked(int nPos) const;

    QMenu* GetQMenu() const { return m_pMenu; }

private:
    explicit CMenu(QMenu* menu) : m_pMenu(menu) {}
    QMenu* m_pMenu;
};
