#pragma once

#include <csignal>

namespace tools {

// Turns SIGINT and SIGTERM into a flag. The signals stay blocked except while
// the program waits in ppoll() with waitMask(), so a stop request can never
// slip in between checking the flag and going to sleep.
class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    bool requested() const;
    int signalNumber() const;
    const sigset_t* waitMask() const { return &m_waitMask; }

private:
    sigset_t m_previousMask{};
    sigset_t m_waitMask{};
    struct sigaction m_previousInt{};
    struct sigaction m_previousTerm{};
};

}  // namespace tools
