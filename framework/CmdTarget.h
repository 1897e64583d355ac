#pragma once

// Message maps: a static table of handlers per class, chained to the base
// class's table, and the command target that searches it.

#include "framework/AfxTypes.h"

class CCmdTarget;
class CCmdUI;

// One handler call: the thunk knows the handler's class and signature and
// unpacks wParam/lParam (or the extra pointer of a command) for it.
using AfxThunk = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam, void* extra);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message, or WM_COMMAND / WM_NOTIFY for routed entries
    int nCode;      // CN_COMMAND, CN_UPDATE_COMMAND_UI or a WM_NOTIFY code
    UINT nID;       // command or control id for routed entries
    AfxThunk pfn;   // null marks the end of a table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Answers "which object would handle this command" without calling it.
struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget = nullptr;
};

#define DECLARE_MESSAGE_MAP()                                   \
  public:                                                       \
    static const AFX_MSGMAP* GetThisMessageMap();               \
    const AFX_MSGMAP* GetMessageMap() const override;           \
  private:

// Both macros open a scope in which ThisClass names the class, so that the
// entry macros can bind its (protected) members.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                       \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        using ThisClass [[maybe_unused]] = theClass;                                  \
        using TheBaseClass = baseClass;                                               \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                             \
            {0, 0, 0, nullptr}};                                                      \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap,       \
                                              &_messageEntries[0]};                   \
        return &messageMap;                                                           \
    }

#define AFX_THUNK(...) \
    [](CCmdTarget* _t, [[maybe_unused]] WPARAM wParam, [[maybe_unused]] LPARAM lParam, \
       [[maybe_unused]] void* _x) -> LRESULT { auto* self = static_cast<ThisClass*>(_t); __VA_ARGS__ }

#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), AFX_THUNK(self->memberFxn(); return 0;)},
#define ON_UPDATE_COMMAND_UI(id, memberFxn)                          \
    {WM_COMMAND, CN_UPDATE_COMMAND_UI, static_cast<UINT>(id),        \
     AFX_THUNK(self->memberFxn(static_cast<CCmdUI*>(_x)); return 0;)},
#define ON_NOTIFY(code, id, memberFxn)                                                   \
    {WM_NOTIFY, static_cast<int>(code), static_cast<UINT>(id),                           \
     AFX_THUNK(auto* _n = static_cast<std::pair<NMHDR*, LRESULT*>*>(_x);                 \
               self->memberFxn(_n->first, _n->second); return 0;)},
#define ON_MESSAGE(msg, memberFxn) \
    {static_cast<UINT>(msg), 0, 0, AFX_THUNK(return self->memberFxn(wParam, lParam);)},

#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, AFX_THUNK(self->OnClose(); return 0;)},
#define ON_WM_QUERYDRAGICON() \
    {WM_QUERYDRAGICON, 0, 0, AFX_THUNK(return reinterpret_cast<LRESULT>(self->OnQueryDragIcon());)},
#define ON_WM_ENTERIDLE()                                                             \
    {WM_ENTERIDLE, 0, 0,                                                              \
     AFX_THUNK(self->OnEnterIdle(static_cast<UINT>(wParam), reinterpret_cast<CWnd*>(lParam)); \
               return 0;)},
#define ON_WM_INITMENUPOPUP()                                                            \
    {WM_INITMENUPOPUP, 0, 0,                                                             \
     AFX_THUNK(self->OnInitMenuPopup(reinterpret_cast<CMenu*>(wParam), LOWORD(lParam),   \
                                     HIWORD(lParam));                                    \
               return 0;)},
#define ON_WM_MENUSELECT()                                                              \
    {WM_MENUSELECT, 0, 0,                                                               \
     AFX_THUNK(self->OnMenuSelect(LOWORD(wParam), HIWORD(wParam),                       \
                                  reinterpret_cast<CMenu*>(lParam));                    \
               return 0;)},

#include <utility>

class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // Offers a command (nCode CN_COMMAND), a command-UI update
    // (CN_UPDATE_COMMAND_UI, pExtra = CCmdUI*) or a notification to the
    // handlers on this target's route. With pHandlerInfo set, only reports
    // whether a handler exists. TRUE when handled.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    // The first entry of this object's maps (own class first) for a message.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, int nCode, UINT nID) const;

protected:
    // Searches only this object's own maps.
    BOOL DispatchCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);
};

// The object a command-UI update handler receives: one menu item, toolbar
// button or status pane.
class CCmdUI {
public:
    CCmdUI() = default;
    virtual ~CCmdUI() = default;

    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);
    virtual void SetText(const char* text);

    // Routes the update from pTarget; with bDisableIfNoHndler, an item that no
    // handler enabled or disabled is enabled exactly when a command handler
    // for it lies on the route. Id 0 and ids ending in 0xFFFF are left alone.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

    UINT m_nID = 0;
    UINT m_nIndex = 0;
    // For menu items: the menu, and the popup when the item opens one (then
    // enable, check and text requests are ignored).
    class CMenu* m_pMenu = nullptr;
    class CMenu* m_pSubMenu = nullptr;
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;
};
