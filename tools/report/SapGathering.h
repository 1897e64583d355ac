#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "TolvSipx.h"

namespace tools {
class StopSignal;
}

namespace report {

struct GatherLimits {
    std::optional<double> seconds;  // stop once this long has passed
    bool untilCaptureEnd = false;   // stop when a file: capture has no more frames
};

enum class GatherEnd { Finished, OpenFailed, TransportFailed, OutOfMemory };

struct GatherResult {
    GatherEnd end = GatherEnd::Finished;
    TOLVSIPX_STATUS status = 0;  // the failing status for OpenFailed and TransportFailed
    const char* step = "";      // which library call failed
};

// Returns false when a record could not be created.
using ScanFunction = std::function<bool(const std::uint8_t* buffer)>;

// Opens the SAP socket through the IPX library and hands each received buffer
// to scan, until the limits are reached, a stop is requested or the transport
// fails. One buffer, zero-filled once, receives every datagram.
GatherResult GatherSap(const GatherLimits& limits, const tools::StopSignal& stop, const ScanFunction& scan);

}  // namespace report
