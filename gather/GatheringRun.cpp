#include "gather/GatheringRun.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "framework/CommonDialogs.h"
#include "framework/WinApp.h"
#include "ipx/TolvSipx.h"
#include "sap/SapDatagram.h"

namespace gather {

namespace {

// The SAP socket in network byte order: bytes 0x04 0x52.
const std::uint8_t kSapSocketBytes[2] = {0x04, 0x52};

void ShowFailure(const char* format, TOLVSIPX_STATUS status) {
    char text[128];
    std::snprintf(text, sizeof text, format, static_cast<unsigned long>(static_cast<std::uint32_t>(status)));
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

// Lets every waiting window message run, then the idle processing. False when
// the quit message was met: it is posted again for the outer loops.
bool PumpWaitingMessages() {
    CWinApp* app = AfxGetApp();
    while (AfxIsMessagePending()) {
        if (!app->PumpMessage()) {
            AfxPostQuitMessage(0);
            return false;
        }
    }
    for (LONG idleCount = 0; app->OnIdle(idleCount); ++idleCount) {
    }
    return true;
}

}  // namespace

RunEnd RunGathering(int& bGathering, const ScanBuffer& scan) {
    bGathering = 1;

    std::uint16_t socketNumber;
    static_assert(sizeof socketNumber == sizeof kSapSocketBytes);
    std::memcpy(&socketNumber, kSapSocketBytes, sizeof socketNumber);
    std::uint32_t socketHandle = 0;
    TOLVSIPX_STATUS status = TolvSipxOpenSocket(0, -1, &socketNumber, &socketHandle);
    if (status < 0) {
        ShowFailure("\nIPXOpenSocket: failed %04lx", status);
        bGathering = 0;
        return RunEnd::Failed;
    }

    TolvSipxControlBlock* block = nullptr;
    status = TolvSipxAllocControlBlock(4, 0, &block);
    if (status < 0) {
        ShowFailure("TolvSipxAllocControlBlock() returned %08lX", status);
        TolvSipxCloseSocket(socketHandle);
        bGathering = 0;
        return RunEnd::Failed;
    }

    std::array<std::uint8_t, sap::kReceiveBufferSize> buffer{};
    TolvSipxFragment fragment{buffer.data(), static_cast<std::uint32_t>(buffer.size())};
    block->socketHandle = socketHandle;
    block->reserved = 0;
    block->fragmentCount = 1;
    block->fragments = &fragment;

    RunEnd end = RunEnd::Stopped;
    status = TolvSipxReceiveDatagram(block);
    if (status < 0) {
        ShowFailure("TolvSipxReceiveDatagram() returned %08lX", status);
        bGathering = 0;
        end = RunEnd::Failed;
    }
    const int descriptor = TolvSipxGetSocketDescriptor(socketHandle);

    while (end == RunEnd::Stopped && bGathering) {
        if (TolvSipxCheckCompletion(block) != 0) {
            // A transport that died (interface gone, hub gone) would otherwise
            // look like a quiet network for ever.
            status = TolvSipxGetSocketError(socketHandle);
            if (status < 0) {
                ShowFailure("Gathering stopped: the network failed with status %08lX", status);
                bGathering = 0;
                end = RunEnd::Failed;
                break;
            }
            // Nothing received yet: sleep until a datagram may have come or the
            // window has input, and let that input run, so that every command
            // works while the network is quiet.
            if (!AfxIsMessagePending()) AfxWaitForMessageOrDescriptor(descriptor);
            if (AfxIsMessagePending() && !PumpWaitingMessages()) end = RunEnd::Quit;
            continue;
        }
        const auto* received = static_cast<const std::uint8_t*>(block->fragments[0].address);
        if (!scan(received)) {
            AfxMessageBox("Out of memory error - attempt to allocate space for item data failed!",
                          MB_OK | MB_ICONEXCLAMATION);
            bGathering = 0;
            end = RunEnd::Failed;
            break;
        }
        status = TolvSipxReceiveDatagram(block);
        if (status < 0) ShowFailure("Error %lX resubmitting\n", status);
        if (!PumpWaitingMessages()) end = RunEnd::Quit;
    }

    TolvSipxFreeControlBlock(block);
    TolvSipxCloseSocket(socketHandle);
    return end;
}

}  // namespace gather
