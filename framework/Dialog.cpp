#include "framework/Dialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QVariant>

#include "framework/Ansi.h"
#include "framework/ListCtrl.h"
#include "framework/Menu.h"
#include "framework/MessageQueue.h"
#include "framework/ResourceImages.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"

namespace {

int MulDiv(int a, int b, int c) { return static_cast<int>((static_cast<long long>(a) * b) / c); }

// The dialog's top-level widget: a menu bar over the client area, and the
// dialog manager's keyboard and close-box rules turned into messages.
class DialogWidget : public QWidget {
public:
    explicit DialogWidget(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
        m_client = new QWidget(this);
    }

    QWidget* Client() const { return m_client; }
    QMenuBar* MenuBar() const { return m_menuBar; }
    void SetMenuBar(QMenuBar* bar) {
        m_menuBar = bar;
        Relayout();
    }
    int MenuBarHeight() const { return m_menuBar != nullptr ? m_menuBar->sizeHint().height() : 0; }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        Post(WM_CLOSE, 0);
    }

    void keyPressEvent(QKeyEvent* event) override {
        const bool plain = (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                  Qt::AltModifier)) == 0;
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Post(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(IDOK), BN_CLICKED));
            return;
        case Qt::Key_Escape:
            Post(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(IDCANCEL), BN_CLICKED));
            return;
        case Qt::Key_F1:
            if (plain) {
                Post(WM_HELP, 0);
                return;
            }
            break;
        default:
            break;
        }
        QWidget::keyPressEvent(event);
    }

    void resizeEvent(QResizeEvent*) override { Relayout(); }

private:
    void Post(UINT message, WPARAM wParam) {
        if (CWnd* wnd = CWnd::FromWidget(this)) {
            wnd->PostMessage(message, wParam, 0);
        }
    }
    void Relayout() {
        const int mb = MenuBarHeight();
        if (m_menuBar != nullptr) {
            m_menuBar->setGeometry(0, 0, width(), mb);
        }
        m_client->setGeometry(0, mb, width(), height() - mb);
    }

    QWidget* m_client;
    QMenuBar* m_menuBar = nullptr;
};

void HookMenu(QMenu* menu, HWND owner, int index) {
    menu->setProperty("afxOwner", QVariant::fromValue<quint64>(owner));
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, owner, index] {
        if (CWnd* wnd = CWnd::FromHandle(owner)) {
            wnd->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(CMenu::FromQMenu(menu)),
                             MAKEWPARAM(static_cast<WORD>(index), FALSE));
        }
    });
    QObject::connect(menu, &QMenu::hovered, menu, [menu, owner](QAction* a) {
        UINT flags = MF_HILITE;
        UINT id = a->data().toUInt();
        if (a->menu() != nullptr) {
            flags |= MF_POPUP;
            id = static_cast<UINT>(menu->actions().indexOf(a));
        } else if (a->isSeparator()) {
            flags |= MF_SEPARATOR;
            id = 0;
        }
        AfxPostMessage(owner, WM_MENUSELECT, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(flags)),
                       reinterpret_cast<LPARAM>(CMenu::FromQMenu(menu)));
    });
    QObject::connect(menu, &QMenu::aboutToHide, menu,
                     [owner] { AfxPostMessage(owner, WM_AFX_MENUHIDDEN, 0, 0); });
}

// Builds the items from i until the popup's last item; returns the next index.
int BuildItems(QWidget* into, const AfxMenuResource& r, int i, HWND owner) {
    auto* bar = qobject_cast<QMenuBar*>(into);
    auto* popup = qobject_cast<QMenu*>(into);
    while (i < r.count) {
        const AfxMenuItemResource& item = r.items[i++];
        const QString text = afx::AnsiToQString(item.text != nullptr ? item.text : "");
        if ((item.flags & MENU_POPUP) != 0) {
            auto* sub = new QMenu(text, into);
            const int index = bar != nullptr ? static_cast<int>(bar->actions().size())
                                             : static_cast<int>(popup->actions().size());
            HookMenu(sub, owner, index);
            i = BuildItems(sub, r, i, owner);
            if (bar != nullptr) {
                bar->addMenu(sub);
            } else {
                popup->addMenu(sub);
            }
        } else if ((item.flags & MENU_SEPARATOR) != 0 && popup != nullptr) {
            popup->addSeparator();
        } else {
            QAction* a = bar != nullptr ? bar->addAction(text) : popup->addAction(text);
            a->setData(QVariant(item.nID));
            const UINT id = item.nID;
            QObject::connect(a, &QAction::triggered, a, [owner, id] {
                AfxPostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
            });
        }
        if ((item.flags & MENU_END) != 0) {
            break;
        }
    }
    return i;
}

void FocusFirstTabStop(QWidget* client) {
    if (client == nullptr) {
        return;
    }
    for (QWidget* child : client->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if ((child->focusPolicy() & Qt::TabFocus) != 0 && !child->isHidden()) {
            child->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::~CDialog() = default;

QWidget* CDialog::GetClientWidget() const { return m_pClient; }

CMenu* CDialog::GetMenu() const { return m_pMenu; }

void CDialog::OnWidgetDestroyed() {
    m_pClient = nullptr;
    m_pMenu = nullptr;
}

void CDialog::MapDialogRect(CRect* rect) const {
    *rect = CRect{MulDiv(rect->left, m_nBaseX, 4), MulDiv(rect->top, m_nBaseY, 8),
                  MulDiv(rect->right, m_nBaseX, 4), MulDiv(rect->bottom, m_nBaseY, 8)};
}

BOOL CDialog::BuildMenu(UINT nMenuID) {
    const AfxMenuResource* r = AfxFindMenu(nMenuID);
    if (r == nullptr) {
        return FALSE;
    }
    auto* widget = static_cast<DialogWidget*>(m_pWidget);
    auto* bar = new QMenuBar(widget);
    bar->setNativeMenuBar(false);
    BuildItems(bar, *r, 0, m_hWnd);
    const HWND owner = m_hWnd;
    QObject::connect(bar, &QMenuBar::hovered, bar, [bar, owner](QAction* a) {
        const auto index = static_cast<WORD>(bar->actions().indexOf(a));
        AfxPostMessage(owner, WM_MENUSELECT, MAKEWPARAM(index, MF_POPUP | MF_HILITE), 0);
    });
    widget->SetMenuBar(bar);
    m_pMenu = nullptr;  // the bar itself is not a popup; popups are reached by position
    return TRUE;
}

BOOL CDialog::CreateFromTemplate(QWidget* parentWidget, bool modal) {
    const AfxDialogResource* t = AfxFindDialog(m_nIDTemplate);
    if (t == nullptr) {
        return FALSE;
    }
    Qt::WindowFlags flags = (modal ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint |
                            Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint;
    if ((t->style & WS_MINIMIZEBOX) != 0 && !modal) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    auto* widget = new DialogWidget(parentWidget, flags);
    Attach(widget, m_nIDTemplate);  // a dialog's id is its template's: help topics use it
    QFont font(QString::fromLatin1(t->fontFace != nullptr ? t->fontFace : "Sans Serif"),
               t->pointSize > 0 ? t->pointSize : 8);
    font.setStyleHint(QFont::SansSerif);
    widget->setFont(font);
    const QFontMetrics fm(font);
    m_nBaseX = (fm.horizontalAdvance(QStringLiteral(
                    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    m_nBaseY = fm.height();
    widget->setWindowTitle(afx::AnsiToQString(t->caption != nullptr ? t->caption : ""));
    m_pClient = widget->Client();
    if (t->nMenuID != 0 && !BuildMenu(t->nMenuID)) {
        return FALSE;
    }
    CRect size{0, 0, t->cx, t->cy};
    MapDialogRect(&size);
    CRect pos{t->x, t->y, 0, 0};
    MapDialogRect(&pos);
    const int height = size.Height() + widget->MenuBarHeight();
    widget->setFixedSize(size.Width(), height);
    widget->move(pos.left, pos.top);
    for (int i = 0; i < t->count; ++i) {
        const AfxDialogItemResource& item = t->items[i];
        CRect r{item.x, item.y, item.x + item.cx, item.y + item.cy};
        MapDialogRect(&r);
        const QString className = QString::fromLatin1(item.className);
        const QString text = afx::AnsiToQString(item.text != nullptr ? item.text : "");
        QWidget* control = nullptr;
        if (className == QLatin1String("SysListView32")) {
            control = afx::CreateListViewWidget(m_pClient);
        } else if (className == QLatin1String("Button")) {
            auto* button = new QPushButton(text, m_pClient);
            button->setDefault((item.style & BS_DEFPUSHBUTTON) != 0);
            button->setAutoDefault(false);
            const HWND owner = m_hWnd;
            const UINT id = static_cast<UINT>(item.nID) & 0xFFFF;
            QObject::connect(button, &QPushButton::clicked, button, [owner, id] {
                AfxPostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0);
            });
            control = button;
        } else {
            auto* label = new QLabel(m_pClient);
            if ((item.style & 0x1F) == SS_BITMAP) {
                const QImage image = afx::LoadBitmapImage(item.nImageID);
                label->setPixmap(QPixmap::fromImage(image));
                r.right = r.left + image.width();
                r.bottom = r.top + image.height();
            } else {
                QString shown = text;
                if ((item.style & SS_NOPREFIX) == 0) {
                    // "&&" shows one ampersand; a single one marks a mnemonic.
                    shown.replace(QLatin1String("&&"), QString(QChar(0xE000)));
                    shown.remove(QLatin1Char('&'));
                    shown.replace(QChar(0xE000), QLatin1Char('&'));
                }
                label->setTextFormat(Qt::PlainText);
                label->setText(shown);
            }
            control = label;
        }
        control->setGeometry(r.left, r.top, r.Width(), r.Height());
        control->setFocusPolicy((item.style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::NoFocus);
        if ((item.style & WS_VISIBLE) == 0) {
            control->hide();
        }
        auto standIn = std::make_unique<CWnd>();
        standIn->Attach(control, static_cast<UINT>(item.nID) & 0xFFFF);
        m_standIns.push_back(std::move(standIn));
    }
    return TRUE;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    QWidget* parentWidget = pParentWnd != nullptr ? pParentWnd->GetWidget() : nullptr;
    if (!CreateFromTemplate(parentWidget, false)) {
        CWinApp* app = AfxGetApp();
        if (app != nullptr && app->m_pMainWnd == this) {
            app->m_pMainWnd = nullptr;
        }
        if (m_pWidget != nullptr) {
            QWidget* widget = Detach();
            delete widget;
        }
        PostNcDestroy();
        return FALSE;
    }
    const AfxDialogResource* t = AfxFindDialog(nIDTemplate);
    const HWND self = m_hWnd;
    const BOOL focusFirst = OnInitDialog();
    if (CWnd::FromHandle(self) != this) {
        return FALSE;  // destroyed during its initialisation
    }
    if ((t->style & WS_VISIBLE) != 0) {
        m_pWidget->show();
    }
    if (focusFirst) {
        FocusFirstTabStop(m_pClient);
    }
    return TRUE;
}

int CDialog::DoModal() {
    CWnd* owner = m_pParentWnd != nullptr ? m_pParentWnd : AfxGetMainWnd();
    QWidget* parentWidget = owner != nullptr ? owner->GetWidget() : nullptr;
    if (!CreateFromTemplate(parentWidget, true)) {
        if (m_pWidget != nullptr) {
            QWidget* widget = Detach();
            delete widget;
        }
        return -1;
    }
    m_bEnded = false;
    m_nModalResult = -1;
    m_pWidget->setWindowModality(Qt::ApplicationModal);
    const BOOL focusFirst = OnInitDialog();
    if (!m_bEnded && m_pWidget != nullptr) {
        CenterWindow(owner);
        m_pWidget->show();
        if (focusFirst) {
            FocusFirstTabStop(m_pClient);
        }
        QEventLoop loop;
        m_pModalLoop = &loop;
        afx::KickHeldMessages();
        if (!m_bEnded) {
            loop.exec(QEventLoop::DialogExec);
        }
        m_pModalLoop = nullptr;
    }
    const int result = m_nModalResult;
    DestroyWindow();
    if (owner != nullptr && owner->GetWidget() != nullptr) {
        owner->SetForegroundWindow();
    }
    return result;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEnded = true;
    if (m_pModalLoop != nullptr) {
        m_pModalLoop->quit();
    }
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) {
        return;
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        CWnd* cancel = GetDlgItem(IDCANCEL);
        if (cancel == nullptr || cancel->IsWindowEnabled()) {
            PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(IDCANCEL), BN_CLICKED), 0);
        }
        return 0;
    }
    if (message == WM_AFX_MENUHIDDEN) {
        if (qobject_cast<QMenu*>(QApplication::activePopupWidget()) == nullptr) {
            SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        }
        return 0;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}
