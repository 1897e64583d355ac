#include "StopRequest.h"

namespace report {

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) { g_stopRequested = 1; }

}  // namespace

StopRequest::StopRequest() {
    g_stopRequested = 0;
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, &m_previousMask);
    m_waitMask = m_previousMask;
    sigdelset(&m_waitMask, SIGINT);
    sigdelset(&m_waitMask, SIGTERM);

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_previousInt);
    sigaction(SIGTERM, &action, &m_previousTerm);
}

StopRequest::~StopRequest() {
    sigaction(SIGINT, &m_previousInt, nullptr);
    sigaction(SIGTERM, &m_previousTerm, nullptr);
    sigprocmask(SIG_SETMASK, &m_previousMask, nullptr);
}

bool StopRequest::requested() const { return g_stopRequested != 0; }

}  // namespace report
