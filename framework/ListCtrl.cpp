#include "framework/ListCtrl.h"

#include <memory>

#include <QHeaderView>
#include <QPalette>
#include <QTreeView>

#include "framework/Ansi.h"
#include "framework/ListModel.h"
#include "framework/MessageQueue.h"

namespace {

// Report mode: no tree decoration, whole-row multi-selection, headers that
// click but never sort, labels that cannot be edited.
class ListView : public QTreeView {
public:
    explicit ListView(QWidget* parent) : QTreeView(parent) {
        auto* model = new ListModel(this);
        setModel(model);
        setRootIsDecorated(false);
        setItemsExpandable(false);
        setUniformRowHeights(true);
        setAllColumnsShowFocus(true);
        setSelectionMode(QAbstractItemView::ExtendedSelection);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setSortingEnabled(false);
        header()->setSectionsClickable(true);
        header()->setSectionsMovable(false);
        header()->setStretchLastSection(false);
        // The selection shows only while the list has the focus.
        QPalette p = palette();
        p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Base));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   p.color(QPalette::Active, QPalette::Text));
        setPalette(p);
        QObject::connect(header(), &QHeaderView::sectionClicked, this,
                         [this](int section) { NotifyColumnClick(section); });
    }

    ListModel* Model() const { return static_cast<ListModel*>(model()); }

private:
    void NotifyColumnClick(int section) {
        CWnd* self = CWnd::FromWidget(this);
        CWnd* parent = self != nullptr ? self->GetParent() : nullptr;
        if (parent == nullptr) {
            return;
        }
        auto info = std::make_shared<NM_LISTVIEW>();
        info->hdr.hwndFrom = self;
        info->hdr.idFrom = self->GetDlgCtrlID();
        info->hdr.code = LVN_COLUMNCLICK;
        info->iItem = -1;
        info->iSubItem = section;
        const auto lParam = reinterpret_cast<LPARAM>(info.get());
        afx::PostAfxMessage(AfxMessage{parent->GetSafeHwnd(), WM_NOTIFY, self->GetDlgCtrlID(),
                                       lParam, std::move(info)});
    }
};

}  // namespace

QWidget* afx::CreateListViewWidget(QWidget* parent) { return new ListView(parent); }

CListCtrl::~CListCtrl() = default;

BOOL CListCtrl::Create(DWORD dwStyle, const CRect& rect, CWnd* pParentWnd, UINT nID) {
    QWidget* parent = pParentWnd != nullptr ? pParentWnd->GetClientWidget() : nullptr;
    auto* view = new ListView(parent);
    view->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
    if (!Attach(view, nID)) {
        delete view;
        return FALSE;
    }
    if ((dwStyle & WS_VISIBLE) != 0) {
        view->show();
    }
    return TRUE;
}

BOOL CListCtrl::Attach(QWidget* widget, UINT nID) {
    auto* view = dynamic_cast<ListView*>(widget);
    if (view == nullptr || !CWnd::Attach(widget, nID)) {
        return FALSE;
    }
    m_pModel = view->Model();
    return TRUE;
}

void CListCtrl::OnWidgetDestroyed() { m_pModel = nullptr; }

int CListCtrl::InsertColumn(int nCol, const char* heading, int nFormat, int nWidth) {
    if (m_pModel == nullptr) {
        return -1;
    }
    const int col = m_pModel->AddColumn(nCol, afx::AnsiToQString(heading != nullptr ? heading : ""),
                                        nFormat);
    if (col >= 0 && nWidth >= 0) {
        static_cast<QTreeView*>(m_pWidget)->setColumnWidth(col, nWidth);
    }
    return col;
}

int CListCtrl::GetColumnWidth(int nCol) const {
    return m_pWidget != nullptr ? static_cast<QTreeView*>(m_pWidget)->columnWidth(nCol) : 0;
}

std::string CListCtrl::GetColumnHeading(int nCol) const {
    return m_pModel != nullptr ? afx::QStringToAnsi(m_pModel->Heading(nCol)) : std::string();
}

int CListCtrl::FindItemNoCase(std::string_view text) const {
    return m_pModel != nullptr ? m_pModel->Find(text) : -1;
}

int CListCtrl::InsertItem(int nItem, std::string_view text) {
    return m_pModel != nullptr ? m_pModel->Insert(nItem, text) : -1;
}

bool CListCtrl::SetItemText(int nItem, int nSubItem, std::string_view text) {
    return m_pModel != nullptr && m_pModel->SetText(nItem, nSubItem, text);
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const {
    return m_pModel != nullptr ? m_pModel->Text(nItem, nSubItem) : std::string();
}

bool CListCtrl::SetItemData(int nItem, void* data) {
    return m_pModel != nullptr && m_pModel->SetData(nItem, data);
}

void* CListCtrl::GetItemData(int nItem) const {
    return m_pModel != nullptr ? m_pModel->Data(nItem) : nullptr;
}

int CListCtrl::GetItemCount() const { return m_pModel != nullptr ? m_pModel->Count() : 0; }

bool CListCtrl::DeleteAllItems() {
    if (m_pModel == nullptr) {
        return false;
    }
    m_pModel->Clear();
    return true;
}

bool CListCtrl::SortItems(int (*compare)(const void*, const void*, std::intptr_t),
                          std::intptr_t param) {
    if (m_pModel == nullptr || compare == nullptr) {
        return false;
    }
    m_pModel->Sort(compare, param);
    return true;
}

void CListCtrl::FlushViewUpdates() {
    if (m_pModel != nullptr) {
        m_pModel->Flush();
    }
}

int CListCtrl::GetViewRowCount() const { return m_pModel != nullptr ? m_pModel->rowCount() : 0; }
