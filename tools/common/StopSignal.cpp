#include "StopSignal.h"

namespace tools {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int signal) {
    g_stopSignal = signal;
}

}  // namespace

StopSignal::StopSignal() {
    g_stopSignal = 0;
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigprocmask(SIG_BLOCK, &block, &m_previousMask);
    m_waitMask = m_previousMask;
    sigdelset(&m_waitMask, SIGINT);
    sigdelset(&m_waitMask, SIGTERM);

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_previousInt);
    sigaction(SIGTERM, &action, &m_previousTerm);
}

StopSignal::~StopSignal() {
    sigaction(SIGINT, &m_previousInt, nullptr);
    sigaction(SIGTERM, &m_previousTerm, nullptr);
    sigprocmask(SIG_SETMASK, &m_previousMask, nullptr);
}

bool StopSignal::requested() const {
    return g_stopSignal != 0;
}

int StopSignal::signalNumber() const {
    return g_stopSignal;
}

}  // namespace tools
