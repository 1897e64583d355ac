#include "framework/Menu.h"

#include <map>
#include <memory>

#include <QAction>
#include <QMenu>

#include "framework/Ansi.h"

namespace {
std::map<QMenu*, std::unique_ptr<CMenu>>& Menus() {
    static std::map<QMenu*, std::unique_ptr<CMenu>> menus;
    return menus;
}

QAction* ActionAt(QMenu* menu, int nPos) {
    const auto actions = menu->actions();
    return nPos >= 0 && nPos < actions.size() ? actions[nPos] : nullptr;
}
}  // namespace

CMenu* CMenu::FromQMenu(QMenu* menu) {
    if (menu == nullptr) {
        return nullptr;
    }
    auto& menus = Menus();
    if (auto it = menus.find(menu); it != menus.end()) {
        return it->second.get();
    }
    QObject::connect(menu, &QObject::destroyed, [menu] { Menus().erase(menu); });
    auto* wrapper = new CMenu(menu);
    menus.emplace(menu, std::unique_ptr<CMenu>(wrapper));
    return wrapper;
}

UINT CMenu::GetMenuItemCount() const { return static_cast<UINT>(m_pMenu->actions().size()); }

UINT CMenu::GetMenuItemID(int nPos) const {
    QAction* a = ActionAt(m_pMenu, nPos);
    if (a == nullptr || a->isSeparator()) {
        return 0;
    }
    if (a->menu() != nullptr) {
        return 0xFFFFFFFF;
    }
    return a->data().toUInt();
}

CMenu* CMenu::GetSubMenu(int nPos) const {
    QAction* a = ActionAt(m_pMenu, nPos);
    return a != nullptr ? FromQMenu(a->menu()) : nullptr;
}

void CMenu::EnableMenuItem(int nPos, BOOL bEnable) {
    if (QAction* a = ActionAt(m_pMenu, nPos)) {
        a->setEnabled(bEnable != FALSE);
    }
}

void CMenu::CheckMenuItem(int nPos, BOOL bCheck) {
    if (QAction* a = ActionAt(m_pMenu, nPos)) {
        a->setCheckable(true);
        a->setChecked(bCheck != FALSE);
    }
}

void CMenu::SetMenuItemText(int nPos, const char* text) {
    if (QAction* a = ActionAt(m_pMenu, nPos)) {
        a->setText(afx::AnsiToQString(text != nullptr ? text : ""));
    }
}

BOOL CMenu::IsMenuItemEnabled(int nPos) const {
    QAction* a = ActionAt(m_pMenu, nPos);
    return a != nullptr && a->isEnabled() ? TRUE : FALSE;
}

BOOL CMenu::IsMenuItemChecked(int nPos) const {
    QAction* a = ActionAt(m_pMenu, nPos);
    return a != nullptr && a->isChecked() ? TRUE : FALSE;
}
