#include "SapGathering.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include <poll.h>

#include "StopSignal.h"
#include "TolvSipxStatus.h"
#include "sap/SapDatagram.h"

namespace report {

namespace {

// The SAP socket in network byte order: bytes 0x04 0x52.
const std::uint8_t kSapSocketBytes[2] = {0x04, 0x52};

using Clock = std::chrono::steady_clock;

// How long ppoll() may sleep: until the deadline, or without limit.
bool WaitTime(const std::optional<Clock::time_point>& deadline, timespec& wait, bool& unlimited) {
    unlimited = !deadline;
    if (unlimited) return true;
    const auto left = *deadline - Clock::now();
    if (left <= Clock::duration::zero()) return false;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    wait.tv_sec = static_cast<time_t>(ns / 1000000000);
    wait.tv_nsec = static_cast<long>(ns % 1000000000);
    return true;
}

}  // namespace

GatherResult GatherSap(const GatherLimits& limits, const tools::StopSignal& stop, const ScanFunction& scan) {
    GatherResult result;
    std::optional<Clock::time_point> deadline;
    if (limits.seconds)
        deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(*limits.seconds));

    std::uint16_t socketNumber;
    static_assert(sizeof socketNumber == sizeof kSapSocketBytes);
    std::memcpy(&socketNumber, kSapSocketBytes, sizeof socketNumber);
    std::uint32_t socketHandle = 0;
    TOLVSIPX_STATUS status = TolvSipxOpenSocket(0, -1, &socketNumber, &socketHandle);
    if (status < 0) return {GatherEnd::OpenFailed, status, "TolvSipxOpenSocket"};

    TolvSipxControlBlock* block = nullptr;
    status = TolvSipxAllocControlBlock(4, 0, &block);
    if (status < 0) {
        TolvSipxCloseSocket(socketHandle);
        return {GatherEnd::OpenFailed, status, "TolvSipxAllocControlBlock"};
    }

    std::array<std::uint8_t, sap::kReceiveBufferSize> buffer{};
    TolvSipxFragment fragment{buffer.data(), static_cast<std::uint32_t>(buffer.size())};
    block->socketHandle = socketHandle;
    block->reserved = 0;
    block->fragmentCount = 1;
    block->fragments = &fragment;

    status = TolvSipxReceiveDatagram(block);
    if (status < 0) result = {GatherEnd::TransportFailed, status, "TolvSipxReceiveDatagram"};
    const int descriptor = TolvSipxGetSocketDescriptor(socketHandle);

    while (result.end == GatherEnd::Finished && !stop.requested()) {
        status = TolvSipxCheckCompletion(block);
        if (status == TOLVSIPX_STATUS_SUCCESS) {
            if (!scan(static_cast<const std::uint8_t*>(block->fragments[0].address))) {
                result = {GatherEnd::OutOfMemory, 0, "scan"};
                break;
            }
            status = TolvSipxReceiveDatagram(block);
            if (status < 0) result = {GatherEnd::TransportFailed, status, "TolvSipxReceiveDatagram"};
            continue;
        }
        if (status < 0) {
            result = {GatherEnd::TransportFailed, status, "TolvSipxCheckCompletion"};
            break;
        }
        timespec wait{};
        bool unlimited = false;
        if (!WaitTime(deadline, wait, unlimited)) break;
        if (limits.untilCaptureEnd) {
            // A file: capture keeps its descriptor readable while frames are
            // left; once it stops being readable the capture has ended.
            wait = timespec{};
            unlimited = false;
        }
        pollfd entry{descriptor, POLLIN, 0};
        const int ready = ppoll(&entry, 1, unlimited ? nullptr : &wait, stop.waitMask());
        if (ready < 0 && errno != EINTR) {
            result = {GatherEnd::TransportFailed, TOLVSIPX_STATUS_SYSTEM_ERROR, "ppoll"};
            break;
        }
        if (ready == 0 && limits.untilCaptureEnd) {
            const TOLVSIPX_STATUS error = TolvSipxGetSocketError(socketHandle);
            if (error < 0) result = {GatherEnd::TransportFailed, error, "TolvSipxGetSocketError"};
            break;
        }
    }

    TolvSipxFreeControlBlock(block);
    TolvSipxCloseSocket(socketHandle);
    return result;
}

}  // namespace report
