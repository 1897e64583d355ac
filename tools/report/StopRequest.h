#pragma once

#include <csignal>

namespace report {

// SIGINT and SIGTERM become a flag. Both stay blocked except inside ppoll()
// with waitMask(), so a request cannot slip in between checking the flag and
// going to sleep.
class StopRequest {
public:
    StopRequest();
    ~StopRequest();
    StopRequest(const StopRequest&) = delete;
    StopRequest& operator=(const StopRequest&) = delete;

    bool requested() const;
    const sigset_t* waitMask() const { return &m_waitMask; }

private:
    sigset_t m_previousMask{};
    sigset_t m_waitMask{};
    struct sigaction m_previousInt {};
    struct sigaction m_previousTerm {};
};

}  // namespace report
