#include "framework/Wnd.h"

#include <unordered_map>
#include <vector>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include "framework/AfxRes.h"
#include "framework/Ansi.h"
#include "framework/ControlBar.h"
#include "framework/MessageQueue.h"
#include "framework/ResourceImages.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"

namespace {

std::unordered_map<HWND, CWnd*>& WindowMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

// Widget to handle. A map rather than a dynamic property: idle updates look up
// every descendant after each datagram, and a property lookup searches the
// whole meta-object by name first.
std::unordered_map<const QObject*, HWND>& HandleMap() {
    static std::unordered_map<const QObject*, HWND> map;
    return map;
}

HWND g_lastHwnd = 0;

CWnd* ObjectOf(const QObject* object) {
    if (object == nullptr) {
        return nullptr;
    }
    const auto it = HandleMap().find(object);
    return it == HandleMap().end() ? nullptr : CWnd::FromHandle(it->second);
}

}  // namespace

// Lets the destroyed-signal handler reach the protected hook.
class CWndLink {
public:
    static void WidgetGone(HWND hWnd) {
        auto it = WindowMap().find(hWnd);
        if (it == WindowMap().end()) {
            return;
        }
        CWnd* wnd = it->second;
        WindowMap().erase(it);
        HandleMap().erase(wnd->m_pWidget);
        wnd->m_pWidget = nullptr;
        wnd->m_hWnd = 0;
        wnd->OnWidgetDestroyed();
    }
};

CWnd::~CWnd() {
    if (m_pWidget != nullptr) {
        // An object going away before its window: the window goes with it.
        QWidget* widget = Detach();
        delete widget;
    }
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == 0) {
        return nullptr;
    }
    auto it = WindowMap().find(hWnd);
    return it == WindowMap().end() ? nullptr : it->second;
}

CWnd* CWnd::FromWidget(const QWidget* widget) { return ObjectOf(widget); }

QWidget* CWnd::GetClientWidget() const { return m_pWidget; }

BOOL CWnd::Attach(QWidget* widget, UINT nID) {
    if (widget == nullptr || m_pWidget != nullptr || ObjectOf(widget) != nullptr) {
        return FALSE;
    }
    m_pWidget = widget;
    m_hWnd = ++g_lastHwnd;
    if (nID != 0) {
        m_nID = nID;
    }
    WindowMap()[m_hWnd] = this;
    HandleMap()[widget] = m_hWnd;
    const HWND hWnd = m_hWnd;
    QObject::connect(widget, &QObject::destroyed, [hWnd] { CWndLink::WidgetGone(hWnd); });
    return TRUE;
}

QWidget* CWnd::Detach() {
    QWidget* widget = m_pWidget;
    if (widget != nullptr) {
        WindowMap().erase(m_hWnd);
        HandleMap().erase(widget);
    }
    m_pWidget = nullptr;
    m_hWnd = 0;
    return widget;
}

CWnd* CWnd::GetParent() const {
    if (m_pWidget == nullptr) {
        return nullptr;
    }
    for (QWidget* w = m_pWidget->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (CWnd* wnd = ObjectOf(w)) {
            return wnd;
        }
    }
    return nullptr;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    QWidget* client = GetClientWidget();
    if (client == nullptr) {
        return nullptr;
    }
    for (QObject* child : client->children()) {
        CWnd* wnd = ObjectOf(child);
        if (wnd != nullptr && static_cast<int>(wnd->m_nID) == nID) {
            return wnd;
        }
    }
    return nullptr;
}

CWnd* CWnd::GetTopWindow() const {
    QWidget* client = GetClientWidget();
    if (client == nullptr) {
        return nullptr;
    }
    for (QObject* child : client->children()) {
        if (CWnd* wnd = ObjectOf(child)) {
            return wnd;
        }
    }
    return nullptr;
}

CWnd* CWnd::GetNextWindow() const {
    if (m_pWidget == nullptr || m_pWidget->parent() == nullptr) {
        return nullptr;
    }
    const QObjectList& siblings = m_pWidget->parent()->children();
    bool passed = false;
    for (QObject* sibling : siblings) {
        if (passed) {
            if (CWnd* wnd = ObjectOf(sibling)) {
                return wnd;
            }
        } else if (sibling == m_pWidget) {
            passed = true;
        }
    }
    return nullptr;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    if (m_pWidget == nullptr) {
        return FALSE;
    }
    const BOOL wasVisible = m_pWidget->isHidden() ? FALSE : TRUE;
    switch (nCmdShow) {
    case SW_HIDE:
        m_pWidget->hide();
        break;
    case SW_SHOWNA:
        m_pWidget->setAttribute(Qt::WA_ShowWithoutActivating, true);
        m_pWidget->show();
        m_pWidget->setAttribute(Qt::WA_ShowWithoutActivating, false);
        break;
    case SW_SHOWNORMAL:
        if (m_pWidget->isWindow()) {
            m_pWidget->showNormal();
        } else {
            m_pWidget->show();
        }
        break;
    default:
        m_pWidget->show();
        break;
    }
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
    return m_pWidget != nullptr && m_pWidget->isVisible() ? TRUE : FALSE;
}

BOOL CWnd::IsIconic() const {
    return m_pWidget != nullptr && m_pWidget->isWindow() && m_pWidget->isMinimized() ? TRUE
                                                                                      : FALSE;
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    if (m_pWidget == nullptr) {
        return FALSE;
    }
    const BOOL wasDisabled = m_pWidget->isEnabled() ? FALSE : TRUE;
    m_pWidget->setEnabled(bEnable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_pWidget != nullptr && m_pWidget->isEnabled() ? TRUE : FALSE;
}

void CWnd::SetFocus() {
    if (m_pWidget != nullptr) {
        m_pWidget->setFocus(Qt::OtherFocusReason);
    }
}

void CWnd::SetForegroundWindow() {
    if (m_pWidget != nullptr) {
        QWidget* window = m_pWidget->window();
        window->raise();
        window->activateWindow();
    }
}

void CWnd::GetWindowRect(CRect* rect) const {
    *rect = CRect{};
    if (m_pWidget == nullptr) {
        return;
    }
    const QPoint topLeft =
        m_pWidget->isWindow() ? m_pWidget->geometry().topLeft() : m_pWidget->mapToGlobal(QPoint(0, 0));
    *rect = CRect{topLeft.x(), topLeft.y(), topLeft.x() + m_pWidget->width(),
                  topLeft.y() + m_pWidget->height()};
}

void CWnd::GetClientRect(CRect* rect) const {
    *rect = CRect{};
    if (QWidget* client = GetClientWidget()) {
        *rect = CRect{0, 0, client->width(), client->height()};
    }
}

namespace {
QPoint ClientOrigin(const CWnd& wnd) {
    QWidget* client = wnd.GetClientWidget();
    if (client == nullptr) {
        return QPoint();
    }
    if (client->isWindow()) {
        return client->geometry().topLeft();
    }
    // A top-level that is not shown yet maps by its own position.
    QWidget* window = client->window();
    return window->geometry().topLeft() + client->mapTo(window, QPoint(0, 0));
}
}  // namespace

void CWnd::ScreenToClient(CRect* rect) const {
    const QPoint origin = ClientOrigin(*this);
    rect->OffsetRect(-origin.x(), -origin.y());
}

void CWnd::ClientToScreen(CRect* rect) const {
    const QPoint origin = ClientOrigin(*this);
    rect->OffsetRect(origin.x(), origin.y());
}

void CWnd::MoveWindow(const CRect& rect, BOOL) {
    if (m_pWidget == nullptr) {
        return;
    }
    if (m_pWidget->isWindow()) {
        const bool fixed = m_pWidget->minimumSize() == m_pWidget->maximumSize();
        if (fixed) {
            m_pWidget->setFixedSize(rect.Width(), rect.Height());
        }
        const QSize old = m_pWidget->size();
        m_pWidget->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
        // A hidden widget hears of its new size only when shown; the client
        // area must follow now, before the bars are laid out.
        QResizeEvent resized(m_pWidget->size(), old);
        QCoreApplication::sendEvent(m_pWidget, &resized);
        return;
    }
    m_pWidget->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    if (m_pWidget == nullptr) {
        return;
    }
    CWnd* owner = pAlternateOwner != nullptr ? pAlternateOwner : GetParent();
    CRect area;
    if (owner != nullptr && owner->m_pWidget != nullptr) {
        owner->GetWindowRect(&area);
    } else {
        QScreen* screen = m_pWidget->screen() != nullptr ? m_pWidget->screen()
                                                         : QGuiApplication::primaryScreen();
        const QRect work = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 640, 480);
        area = CRect{work.left(), work.top(), work.left() + work.width(), work.top() + work.height()};
    }
    CRect mine;
    GetWindowRect(&mine);
    const int x = area.left + (area.Width() - mine.Width()) / 2;
    const int y = area.top + (area.Height() - mine.Height()) / 2;
    MoveWindow(CRect{x, y, x + mine.Width(), y + mine.Height()}, FALSE);
}

void CWnd::SetWindowText(const char* text) {
    if (m_pWidget != nullptr) {
        m_pWidget->setWindowTitle(afx::AnsiToQString(text != nullptr ? text : ""));
    }
}

std::string CWnd::GetWindowText() const {
    return m_pWidget != nullptr ? afx::QStringToAnsi(m_pWidget->windowTitle()) : std::string();
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

void CWnd::RepositionBars(UINT nIDFirst, UINT nIDLast, UINT, UINT nFlag, CRect* pRectParam,
                          const CRect* pRectClient, BOOL) {
    CRect rest;
    if (pRectClient != nullptr) {
        rest = *pRectClient;
    } else {
        GetClientRect(&rest);
    }
    struct Placement {
        CWnd* bar;
        CRect rect;
    };
    std::vector<Placement> placements;
    for (CWnd* child = GetTopWindow(); child != nullptr; child = child->GetNextWindow()) {
        auto* bar = dynamic_cast<CControlBar*>(child);
        if (bar == nullptr || child->m_nID < nIDFirst || child->m_nID > nIDLast ||
            child->m_pWidget->isHidden()) {
            continue;
        }
        const int height = bar->CalcFixedHeight();
        if (bar->IsBottomAligned()) {
            placements.push_back({child, CRect{rest.left, rest.bottom - height, rest.right, rest.bottom}});
            rest.bottom -= height;
        } else {
            placements.push_back({child, CRect{rest.left, rest.top, rest.right, rest.top + height}});
            rest.top += height;
        }
    }
    if (nFlag == reposQuery) {
        if (pRectParam != nullptr) {
            *pRectParam = rest;
        }
        return;
    }
    for (const Placement& p : placements) {
        p.bar->MoveWindow(p.rect, TRUE);
        static_cast<CControlBar*>(p.bar)->OnBarMoved();
    }
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return WindowProc(message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return AfxPostMessage(m_hWnd, message, wParam, lParam);
}

BOOL AfxPostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (CWnd::FromHandle(hWnd) == nullptr) {
        return FALSE;
    }
    afx::PostAfxMessage(AfxMessage{hWnd, message, wParam, lParam, nullptr});
    return TRUE;
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep) {
    QWidget* client = GetClientWidget();
    if (client == nullptr) {
        return;
    }
    // Handles, not pointers: a handler may destroy windows.
    std::vector<HWND> targets;
    const auto options = bDeep ? Qt::FindChildrenRecursively : Qt::FindDirectChildrenOnly;
    for (QWidget* child : client->findChildren<QWidget*>(QString(), options)) {
        if (CWnd* wnd = ObjectOf(child)) {
            targets.push_back(wnd->m_hWnd);
        }
    }
    for (HWND h : targets) {
        if (CWnd* wnd = FromHandle(h)) {
            wnd->SendMessage(message, wParam, lParam);
        }
    }
}

BOOL CWnd::DestroyWindow() {
    if (m_pWidget == nullptr) {
        return FALSE;
    }
    SendMessage(WM_DESTROY);
    QWidget* widget = Detach();
    widget->hide();
    delete widget;
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == this) {
        AfxPostQuitMessage(0);
        app->m_pMainWnd = nullptr;
    }
    PostNcDestroy();
    return TRUE;
}

void CWnd::PostNcDestroy() {}

void CWnd::OnWidgetDestroyed() {}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.GetSafeHwnd() != 0) {
        return;
    }
    CWnd* existing = pDX->m_pDlgWnd->GetDlgItem(nIDC);
    if (existing == nullptr) {
        return;
    }
    // The dialog's stand-in object for the control lets go of it.
    QWidget* widget = existing->Detach();
    if (!rControl.Attach(widget, static_cast<UINT>(nIDC))) {
        existing->Attach(widget, static_cast<UINT>(nIDC));
    }
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) {
        result = DefWindowProc(message, wParam, lParam);
    }
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) {
            return FALSE;
        }
        *pResult = 1;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        return OnNotify(wParam, lParam, pResult);
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0);
    if (entry == nullptr) {
        return FALSE;
    }
    const CurrentMessage saved = m_current;
    m_current = CurrentMessage{message, wParam, lParam};
    *pResult = entry->pfn(this, wParam, lParam, nullptr);
    m_current = saved;
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
    return OnCmdMsg(LOWORD(wParam), CN_COMMAND, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header == nullptr) {
        return FALSE;
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_NOTIFY, header->code, header->idFrom);
    if (entry == nullptr) {
        return FALSE;
    }
    std::pair<NMHDR*, LRESULT*> args{header, pResult};
    entry->pfn(this, 0, lParam, &args);
    return TRUE;
}

BOOL CWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    // Own maps; then, for ids 0x8000 to 0xEFFF, the parent window and the
    // application object.
    if (DispatchCmdMsg(nID, nCode, pExtra, pHandlerInfo)) {
        return TRUE;
    }
    if (nID < 0x8000 || nID > 0xEFFF) {
        return FALSE;
    }
    if (CWnd* parent = GetParent()) {
        if (parent->CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) {
            return TRUE;
        }
    }
    if (CWinApp* app = AfxGetApp()) {
        return app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
    }
    return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETICON: {
        if (m_pWidget == nullptr) {
            return 0;
        }
        // One window icon serves both sizes here; the big one wins.
        auto icon = reinterpret_cast<HICON>(lParam);
        if (wParam == ICON_BIG || m_pWidget->windowIcon().isNull()) {
            m_pWidget->window()->setWindowIcon(afx::IconToQIcon(icon));
        }
        return 0;
    }
    case WM_HELP:
        if (CWnd* main = AfxGetMainWnd()) {
            main->SendMessage(WM_COMMAND, ID_HELP, 0);
        } else if (CWinApp* app = AfxGetApp()) {
            app->OnCmdMsg(ID_HELP, CN_COMMAND, nullptr, nullptr);
        }
        return 1;
    default:
        return 0;
    }
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }
