#include "framework/MessageQueue.h"

#include <chrono>
#include <deque>

#include <poll.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QSocketNotifier>

#include "framework/WinApp.h"

namespace {

const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::User + 0x362);

class MessageEvent : public QEvent {
public:
    explicit MessageEvent(AfxMessage msg) : QEvent(kMessageEvent), m_msg(std::move(msg)) {}
    AfxMessage m_msg;
};

using Clock = std::chrono::steady_clock;
// How long the program may keep Qt from running while it is busy; a little
// less than one display frame.
constexpr auto kQtSlice = std::chrono::milliseconds(8);

class Dispatcher : public QObject {
public:
    bool event(QEvent* e) override;

    std::deque<AfxMessage> m_held;
    long m_inQtQueue = 0;
    int m_holdDepth = 0;
    bool m_enterIdleSent = false;
    Clock::time_point m_lastQtPass = Clock::now();
};

Dispatcher* g_dispatcher = nullptr;

Dispatcher& Queue() {
    if (g_dispatcher == nullptr) {
        g_dispatcher = new Dispatcher;
    }
    return *g_dispatcher;
}

void DispatchHeldDirectly(Dispatcher& q) {
    // Oldest first; a held quit message stays for the loop that pumps.
    while (!q.m_held.empty() && q.m_held.front().message != WM_QUIT) {
        AfxMessage msg = std::move(q.m_held.front());
        q.m_held.pop_front();
        afx::DispatchAfxMessage(msg);
    }
}

bool Dispatcher::event(QEvent* e) {
    if (e->type() != kMessageEvent) {
        return QObject::event(e);
    }
    auto* me = static_cast<MessageEvent*>(e);
    --m_inQtQueue;
    if (m_holdDepth > 0 || me->m_msg.message == WM_QUIT) {
        // A quit met by a loop other than the pump stays pending for it.
        if (me->m_msg.message != WM_NULL) {
            m_held.push_back(std::move(me->m_msg));
        }
        return true;
    }
    DispatchHeldDirectly(*this);
    if (me->m_msg.message != WM_NULL) {
        afx::DispatchAfxMessage(me->m_msg);
    }
    return true;
}

void OnAboutToBlock() { afx::NoteIdleForMenus(); }

}  // namespace

namespace afx {

void InstallQueue() {
    static QAbstractEventDispatcher* connected = nullptr;
    Dispatcher& q = Queue();
    auto* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher != nullptr && dispatcher != connected) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &q, &OnAboutToBlock);
        connected = dispatcher;
    }
}

void PostAfxMessage(AfxMessage msg) {
    Dispatcher& q = Queue();
    ++q.m_inQtQueue;
    QCoreApplication::postEvent(&q, new MessageEvent(std::move(msg)));
}

void DispatchAfxMessage(const AfxMessage& msg) {
    if (msg.message != WM_ENTERIDLE) {
        Queue().m_enterIdleSent = false;
    }
    CWnd* wnd = CWnd::FromHandle(msg.hwnd);
    if (wnd != nullptr) {
        wnd->WindowProc(msg.message, msg.wParam, msg.lParam);
    }
}

bool HasQueuedMessages() {
    const Dispatcher& q = Queue();
    return !q.m_held.empty() || q.m_inQtQueue > 0;
}

bool TakeHeldMessage(AfxMessage& out) {
    Dispatcher& q = Queue();
    if (q.m_held.empty()) {
        return false;
    }
    out = std::move(q.m_held.front());
    q.m_held.pop_front();
    return true;
}

void ProcessEventsHeld(bool waitForMore) {
    Dispatcher& q = Queue();
    ++q.m_holdDepth;
    QCoreApplication::processEvents(waitForMore ? QEventLoop::WaitForMoreEvents
                                                : QEventLoop::AllEvents);
    --q.m_holdDepth;
    q.m_lastQtPass = Clock::now();
}

void KickHeldMessages() {
    if (!Queue().m_held.empty()) {
        PostAfxMessage(AfxMessage{});
    }
}

void NoteIdleForMenus() {
    Dispatcher& q = Queue();
    if (q.m_enterIdleSent) {
        return;
    }
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) {
        return;
    }
    const HWND owner = menu->property("afxOwner").value<quint64>();
    if (owner == 0) {
        return;
    }
    q.m_enterIdleSent = true;
    PostAfxMessage(AfxMessage{owner, WM_ENTERIDLE, MSGF_MENU, 0, nullptr});
}

}  // namespace afx

BOOL AfxIsMessagePending() {
    const Dispatcher& q = Queue();
    if (!q.m_held.empty() || q.m_inQtQueue > 0) {
        return TRUE;
    }
    // Input that Qt has not turned into messages yet is invisible here; give Qt
    // a pass at least once per slice so that the window stays responsive.
    return Clock::now() - q.m_lastQtPass >= kQtSlice ? TRUE : FALSE;
}

void AfxWaitForMessageOrDescriptor(int fd) {
    if (afx::HasQueuedMessages()) {
        return;
    }
    if (fd >= 0) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0) {
            return;
        }
    }
    bool ready = false;
    std::unique_ptr<QSocketNotifier> notifier;
    if (fd >= 0) {
        notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                         [&ready, &notifier] {
                             ready = true;
                             notifier->setEnabled(false);
                         });
    }
    afx::NoteIdleForMenus();
    while (!ready && !afx::HasQueuedMessages()) {
        afx::ProcessEventsHeld(true);
    }
}

void AfxPostQuitMessage(int nExitCode) {
    afx::PostAfxMessage(AfxMessage{0, WM_QUIT, static_cast<WPARAM>(nExitCode), 0, nullptr});
}
