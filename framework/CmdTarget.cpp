#include "framework/CmdTarget.h"

#include "framework/Menu.h"

namespace {
const AFX_MSGMAP_ENTRY g_noEntries[] = {{0, 0, 0, nullptr}};
const AFX_MSGMAP* NoBaseMap() { return nullptr; }
const AFX_MSGMAP g_cmdTargetMap = {&NoBaseMap, &g_noEntries[0]};
}  // namespace

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() { return &g_cmdTargetMap; }

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, int nCode, UINT nID) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr; map = map->pfnGetBaseMap()) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e) {
            if (e->nMessage == nMessage && e->nCode == nCode && e->nID == nID) {
                return e;
            }
        }
    }
    return nullptr;
}

BOOL CCmdTarget::DispatchCmdMsg(UINT nID, int nCode, void* pExtra,
                                AFX_CMDHANDLERINFO* pHandlerInfo) {
    const UINT message = (nCode == CN_COMMAND || nCode == CN_UPDATE_COMMAND_UI) ? WM_COMMAND
                                                                                : WM_NOTIFY;
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, nCode, nID);
    if (entry == nullptr) {
        return FALSE;
    }
    if (pHandlerInfo != nullptr) {
        pHandlerInfo->pTarget = this;
        return TRUE;
    }
    if (nCode == CN_UPDATE_COMMAND_UI) {
        auto* cmdUI = static_cast<CCmdUI*>(pExtra);
        cmdUI->m_bContinueRouting = FALSE;
        entry->pfn(this, 0, 0, pExtra);
        return !cmdUI->m_bContinueRouting;
    }
    entry->pfn(this, 0, 0, pExtra);
    return TRUE;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    return DispatchCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CCmdUI::Enable(BOOL bOn) {
    if (m_pMenu != nullptr && m_pSubMenu == nullptr) {
        m_pMenu->EnableMenuItem(static_cast<int>(m_nIndex), bOn);
    }
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
    if (m_pMenu != nullptr && m_pSubMenu == nullptr) {
        m_pMenu->CheckMenuItem(static_cast<int>(m_nIndex), nCheck != 0);
    }
}

void CCmdUI::SetText(const char* text) {
    if (m_pMenu != nullptr && m_pSubMenu == nullptr) {
        m_pMenu->SetMenuItemText(static_cast<int>(m_nIndex), text);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
    if (m_nID == 0 || LOWORD(m_nID) == 0xFFFF) {
        return TRUE;
    }
    m_bEnableChanged = FALSE;
    BOOL result = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
    if (bDisableIfNoHndler && !m_bEnableChanged) {
        AFX_CMDHANDLERINFO info;
        Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
        result = TRUE;
    }
    return result;
}
