#pragma once

// What a socket needs from the network underneath it: the next frame, when
// there is one, and descriptors to wait on.

#include <vector>

#include "PacketBytes.h"
#include "TolvSipx.h"

namespace zorvik::ipx {

enum class TransportPoll { Frame, Nothing, Failed };

class Transport {
public:
    virtual ~Transport() = default;

    // Never blocks. Frame: linkType and frame are set, and the bytes stay valid
    // until the next call. Nothing: no frame now (wait on the descriptors).
    // Failed: the transport is dead for good; failure() says why.
    virtual TransportPoll next(int& linkType, PacketBytes& frame) = 0;

    // Descriptors that become readable when next() may have something to do.
    virtual std::vector<int> descriptors() const = 0;

    virtual TOLVSIPX_STATUS failure() const = 0;
};

}  // namespace zorvik::ipx
