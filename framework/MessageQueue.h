#pragma once

// The program's message queue over Qt's event loop (framework-internal).
//
// Posted messages travel as Qt events to one dispatcher object. While the
// program waits (AfxWaitForMessageOrDescriptor) or pumps (PumpMessage), Qt runs
// with the queue on hold: Qt does its own work (painting, layout, popups,
// timers), and the program's messages it delivers are set aside in arrival
// order instead of being dispatched. PumpMessage then takes them one at a
// time. Any other event loop (a modal dialog, a test's wait) dispatches them
// directly, oldest first.

#include <cstdint>
#include <memory>

#include "framework/Wnd.h"

struct AfxMessage {
    HWND hwnd = 0;  // 0: a message to the thread (the quit message)
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::shared_ptr<void> payload;  // owns what lParam points to, if anything
};

namespace afx {

void PostAfxMessage(AfxMessage msg);
// Dispatches a message to its window, if the window still exists.
void DispatchAfxMessage(const AfxMessage& msg);

// Program messages posted but not dispatched yet (held or in Qt's queue).
bool HasQueuedMessages();
// Takes the oldest held message; false when none is held.
bool TakeHeldMessage(AfxMessage& out);

// Runs one pass of Qt's event loop with the queue on hold.
void ProcessEventsHeld(bool waitForMore);
// Wakes a loop that runs while messages are held, so that it dispatches them
// (used before a modal loop starts).
void KickHeldMessages();

// Posts WM_ENTERIDLE (MSGF_MENU) to the owner of the open menu, once per
// stretch of idleness.
void NoteIdleForMenus();

void InstallQueue();

}  // namespace afx
