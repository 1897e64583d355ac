#pragma once

#include <cstdint>
#include <functional>

namespace gather {

// Feeds one received datagram buffer into the service table; false when a
// record could not be created.
using ScanBuffer = std::function<bool(const std::uint8_t* buffer)>;

enum class RunEnd {
    Stopped,   // the gathering flag was cleared
    Failed,    // a failure was reported and the flag cleared
    Quit,      // the application is ending; the owner is already gone
};

// One gathering run on the SAP socket, inside the caller's handler. Sets the
// flag at its start and runs until the flag is cleared or the quit message is
// seen, letting window messages and idle processing run after every datagram
// and while waiting for one. On the quit path neither the flag nor the scan
// is touched again: the window that owns them has been destroyed.
RunEnd RunGathering(int& bGathering, const ScanBuffer& scan);

}  // namespace gather
