#pragma once

// Tells a live capture that its interface was taken down or removed.
//
// libpcap reports a removed interface as an error, but an interface that is
// merely set down only stops delivering frames, which would look like a quiet
// network for ever. The kernel announces both on a routing netlink socket.

#include <string>

#include "UniqueFd.h"

namespace zorvik::ipx {

class LinkWatch {
public:
    // Starts listening for link changes of the named interface. Watching
    // nothing (for `any`, or when netlink is unavailable) is not an error:
    // removal is then still noticed through libpcap.
    explicit LinkWatch(const std::string& interfaceName);

    // Becomes readable when a link change has arrived; -1 when not watching.
    int descriptor() const { return m_socket.get(); }

    // Reads what has arrived without blocking; true once the interface was seen
    // down or removed (and from then on).
    bool wentDown();

private:
    UniqueFd m_socket;
    unsigned m_index = 0;
    bool m_down = false;
};

}  // namespace zorvik::ipx
