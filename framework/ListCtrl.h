#pragma once

// The list view in report mode: rows of up to four 8-bit texts and one item
// data pointer each. Inserting at the top and the exact-name search are O(1);
// the view is told about new rows at most once per display frame.

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/Wnd.h"

class ListModel;

class CListCtrl : public CWnd {
public:
    CListCtrl() = default;
    ~CListCtrl() override;

    // A list window of its own (tests, tools); in dialogs the template makes it.
    BOOL Create(DWORD dwStyle, const CRect& rect, CWnd* pParentWnd, UINT nID);

    int InsertColumn(int nCol, const char* heading, int nFormat = LVCFMT_LEFT, int nWidth = -1);
    int GetColumnWidth(int nCol) const;
    std::string GetColumnHeading(int nCol) const;

    // The row whose column-0 text equals text, folding A-Z only; -1 if none.
    int FindItemNoCase(std::string_view text) const;
    int InsertItem(int nItem, std::string_view text);
    bool SetItemText(int nItem, int nSubItem, std::string_view text);
    std::string GetItemText(int nItem, int nSubItem) const;
    bool SetItemData(int nItem, void* data);
    void* GetItemData(int nItem) const;
    int GetItemCount() const;
    bool DeleteAllItems();
    bool SortItems(int (*compare)(const void*, const void*, std::intptr_t), std::intptr_t param);

    // Tells the view about inserts now rather than at the next frame.
    void FlushViewUpdates();
    // Rows the view knows about (lags GetItemCount until the next frame).
    int GetViewRowCount() const;

    // Binds to a list view widget (DDX_Control); FALSE for any other widget.
    BOOL Attach(QWidget* widget, UINT nID = 0) override;

protected:
    void OnWidgetDestroyed() override;

private:
    ListModel* m_pModel = nullptr;
};

namespace afx {
// The list view widget that a template's "SysListView32" control creates.
QWidget* CreateListViewWidget(QWidget* parent);
}  // namespace afx
