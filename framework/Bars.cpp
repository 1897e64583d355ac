#include "framework/Bars.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QToolButton>

#include "framework/AfxRes.h"
#include "framework/Ansi.h"
#include "framework/ResourceImages.h"
#include "framework/Resources.h"

namespace {

constexpr int kImageWidth = 16;
constexpr int kBarMargin = 2;

QWidget* NewBarWidget(CWnd* parent) {
    auto* w = new QWidget(parent->GetClientWidget());
    w->setAutoFillBackground(true);
    return w;
}

QColor MapButtonColour(QRgb rgb, const QPalette& p) {
    switch (rgb & 0xFFFFFF) {
    case 0x000000: return p.color(QPalette::ButtonText);
    case 0x808080: return p.color(QPalette::Dark);
    case 0xC0C0C0: return p.color(QPalette::Button);
    case 0xFFFFFF: return p.color(QPalette::Light);
    default: return QColor(rgb);
    }
}

}  // namespace

// Toolbar ---------------------------------------------------------------

class CToolCmdUI : public CCmdUI {
public:
    explicit CToolCmdUI(QToolButton* b) : m_button(b) {}
    void Enable(BOOL bOn) override {
        m_bEnableChanged = TRUE;
        if (m_button->isEnabled() != (bOn != FALSE)) {
            m_button->setEnabled(bOn != FALSE);
        }
    }
    void SetCheck(int nCheck) override {
        m_button->setCheckable(true);
        if (m_button->isChecked() != (nCheck != 0)) {
            m_button->setChecked(nCheck != 0);
        }
    }
    void SetText(const char*) override {}

private:
    QToolButton* m_button;
};

BOOL CControlBar::CreateBar(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    if (pParentWnd == nullptr || pParentWnd->GetClientWidget() == nullptr) {
        return FALSE;
    }
    m_dwStyle = dwStyle;
    QWidget* w = NewBarWidget(pParentWnd);
    Attach(w, nID);
    w->resize(pParentWnd->GetClientWidget()->width(), CalcFixedHeight());
    if ((dwStyle & WS_VISIBLE) != 0) {
        w->show();
    }
    return TRUE;
}

BOOL CToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    return CreateBar(pParentWnd, dwStyle, nID);
}

BOOL CToolBar::LoadBitmap(UINT nIDResource) {
    QImage strip = afx::LoadBitmapImage(nIDResource);
    if (strip.isNull() || m_pWidget == nullptr) {
        return FALSE;
    }
    strip = strip.convertToFormat(QImage::Format_ARGB32);
    const QPalette p = m_pWidget->palette();
    for (int y = 0; y < strip.height(); ++y) {
        for (int x = 0; x < strip.width(); ++x) {
            strip.setPixelColor(x, y, MapButtonColour(strip.pixel(x, y), p));
        }
    }
    static std::vector<std::vector<QImage>> keep;  // images live as long as the program
    keep.emplace_back();
    for (int x = 0; x + kImageWidth <= strip.width(); x += kImageWidth) {
        keep.back().push_back(strip.copy(x, 0, kImageWidth, strip.height()));
    }
    m_pImages = &keep.back();
    return TRUE;
}

BOOL CToolBar::SetButtons(const UINT* lpIDArray, int nIDCount) {
    if (m_pWidget == nullptr || lpIDArray == nullptr) {
        return FALSE;
    }
    m_ids.assign(lpIDArray, lpIDArray + nIDCount);
    int x = kBarMargin * 2;
    std::size_t image = 0;
    const HWND parent = GetParent() != nullptr ? GetParent()->GetSafeHwnd() : 0;
    for (UINT id : m_ids) {
        if (id == ID_SEPARATOR) {
            x += kSeparatorWidth;
            continue;
        }
        auto* b = new QToolButton(m_pWidget);
        b->setProperty("afxCommand", id);
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
        b->setGeometry(x, kBarMargin, kButtonWidth, kButtonHeight);
        if (m_pImages != nullptr && image < m_pImages->size()) {
            b->setIcon(QIcon(QPixmap::fromImage((*m_pImages)[image])));
            b->setIconSize(QSize(kImageWidth, (*m_pImages)[image].height()));
        }
        ++image;
        // Pressing shows the command's prompt; releasing leaves it there.
        QObject::connect(b, &QToolButton::pressed, b,
                         [parent, id] { AfxPostMessage(parent, WM_SETMESSAGESTRING, id, 0); });
        QObject::connect(b, &QToolButton::released, b, [parent] {
            AfxPostMessage(parent, WM_POPMESSAGESTRING, AFX_IDS_IDLEMESSAGE, 0);
        });
        QObject::connect(b, &QToolButton::clicked, b, [parent, id] {
            AfxPostMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0);
        });
        b->show();
        x += kButtonWidth;
    }
    return TRUE;
}

int CToolBar::CalcFixedHeight() const { return kButtonHeight + 2 * kBarMargin + 2; }

namespace {
QToolButton* ButtonAt(QWidget* bar, const std::vector<UINT>& ids, int nIndex) {
    if (bar == nullptr || nIndex < 0 || nIndex >= static_cast<int>(ids.size()) ||
        ids[static_cast<std::size_t>(nIndex)] == ID_SEPARATOR) {
        return nullptr;
    }
    int button = 0;
    for (int i = 0; i < nIndex; ++i) {
        button += ids[static_cast<std::size_t>(i)] != ID_SEPARATOR ? 1 : 0;
    }
    const auto buttons = bar->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
    return button < buttons.size() ? buttons[button] : nullptr;
}
}  // namespace

UINT CToolBar::GetItemID(int nIndex) const {
    return nIndex >= 0 && nIndex < static_cast<int>(m_ids.size()) ? m_ids[static_cast<std::size_t>(nIndex)] : 0;
}

BOOL CToolBar::IsButtonEnabled(int nIndex) const {
    QToolButton* b = ButtonAt(m_pWidget, m_ids, nIndex);
    return b != nullptr && b->isEnabled() ? TRUE : FALSE;
}

BOOL CToolBar::IsButtonChecked(int nIndex) const {
    QToolButton* b = ButtonAt(m_pWidget, m_ids, nIndex);
    return b != nullptr && b->isChecked() ? TRUE : FALSE;
}

void CToolBar::ClickButton(int nIndex) {
    if (QToolButton* b = ButtonAt(m_pWidget, m_ids, nIndex)) {
        b->click();
    }
}

void CToolBar::OnUpdateCmdUI(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
    for (int i = 0; i < static_cast<int>(m_ids.size()); ++i) {
        QToolButton* b = ButtonAt(m_pWidget, m_ids, i);
        if (b == nullptr) {
            continue;
        }
        CToolCmdUI ui(b);
        ui.m_nID = m_ids[static_cast<std::size_t>(i)];
        ui.m_nIndex = static_cast<UINT>(i);
        ui.DoUpdate(pTarget, bDisableIfNoHndler);
    }
}

// Status bar ------------------------------------------------------------

class CStatusCmdUI : public CCmdUI {
public:
    explicit CStatusCmdUI(CStatusBar* bar) : m_bar(bar) {}
    void Enable(BOOL bOn) override {
        m_bEnableChanged = TRUE;
        m_bar->EnablePane(static_cast<int>(m_nIndex), bOn);
    }
    void SetCheck(int) override {}
    void SetText(const char* text) override { m_bar->SetPaneText(static_cast<int>(m_nIndex), text); }

private:
    CStatusBar* m_bar;
};

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    return CreateBar(pParentWnd, dwStyle, nID);
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
    if (m_pWidget == nullptr || lpIDArray == nullptr) {
        return FALSE;
    }
    BOOL allFound = TRUE;
    for (int i = 0; i < nIDCount; ++i) {
        Pane pane;
        pane.nID = lpIDArray[i];
        pane.label = new QLabel(m_pWidget);
        pane.label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane.label->setTextFormat(Qt::PlainText);
        if (pane.nID != ID_SEPARATOR) {
            if (!AfxLoadString(pane.nID, pane.text)) {
                allFound = FALSE;
            }
            pane.label->setText(afx::AnsiToDisplayLine(pane.text));
        }
        pane.cx = QFontMetrics(m_pWidget->font()).horizontalAdvance(afx::AnsiToQString(pane.text));
        pane.label->show();
        m_panes.push_back(std::move(pane));
    }
    Relayout();
    return allFound;
}

UINT CStatusBar::GetItemID(int nIndex) const {
    return nIndex >= 0 && nIndex < static_cast<int>(m_panes.size())
               ? m_panes[static_cast<std::size_t>(nIndex)].nID
               : 0;
}

int CStatusBar::CommandToIndex(UINT nIDFind) const {
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        if (m_panes[i].nID == nIDFind) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CStatusBar::SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth) {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size())) {
        return;
    }
    Pane& pane = m_panes[static_cast<std::size_t>(nIndex)];
    pane.nID = nID;
    pane.nStyle = nStyle;
    pane.cx = cxWidth;
    Relayout();
}

BOOL CStatusBar::SetPaneText(int nIndex, const char* text) {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size())) {
        return FALSE;
    }
    Pane& pane = m_panes[static_cast<std::size_t>(nIndex)];
    const std::string newText = text != nullptr ? text : "";
    if (pane.text != newText) {
        pane.text = newText;
        if ((pane.nStyle & SBPS_DISABLED) == 0) {
            pane.label->setText(afx::AnsiToDisplayLine(pane.text));
        }
    }
    return TRUE;
}

std::string CStatusBar::GetPaneText(int nIndex) const {
    return nIndex >= 0 && nIndex < static_cast<int>(m_panes.size())
               ? m_panes[static_cast<std::size_t>(nIndex)].text
               : std::string();
}

void CStatusBar::SetMessageText(const char* text) {
    const int index = CommandToIndex(ID_SEPARATOR);
    SetPaneText(index >= 0 ? index : 0, text);
}

void CStatusBar::EnablePane(int nIndex, BOOL bEnable) {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size())) {
        return;
    }
    Pane& pane = m_panes[static_cast<std::size_t>(nIndex)];
    const UINT style = bEnable ? (pane.nStyle & ~SBPS_DISABLED) : (pane.nStyle | SBPS_DISABLED);
    if (style != pane.nStyle) {
        pane.nStyle = style;
        // A disabled pane shows no text.
        pane.label->setText(bEnable ? afx::AnsiToDisplayLine(pane.text) : QString());
    }
}

void CStatusBar::OnUpdateCmdUI(CCmdTarget* pTarget, BOOL) {
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        CStatusCmdUI ui(this);
        ui.m_nID = m_panes[i].nID;
        ui.m_nIndex = static_cast<UINT>(i);
        ui.DoUpdate(pTarget, FALSE);
    }
}

int CStatusBar::CalcFixedHeight() const {
    const QFontMetrics fm(m_pWidget != nullptr ? m_pWidget->font() : QFont());
    return fm.height() + 8;
}

void CStatusBar::Relayout() {
    if (m_pWidget == nullptr) {
        return;
    }
    const int h = CalcFixedHeight() - 4;
    int fixed = 0;
    std::vector<int> widths;
    for (const Pane& pane : m_panes) {
        const int w = (pane.nStyle & SBPS_STRETCH) != 0 ? 0 : pane.cx + 8;
        widths.push_back(w);
        fixed += w + 2;
    }
    const int stretch = std::max(0, m_pWidget->width() - 4 - fixed);
    int x = 2;
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        const int w = (m_panes[i].nStyle & SBPS_STRETCH) != 0 ? stretch : widths[i];
        m_panes[i].label->setGeometry(x, 3, w, h);
        x += w + 2;
    }
}

CRect CStatusBar::GetItemRect(int nIndex) const {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size())) {
        return CRect{};
    }
    const QRect r = m_panes[static_cast<std::size_t>(nIndex)].label->geometry();
    return CRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
