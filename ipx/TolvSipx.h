#pragma once

// The IPX datagram library: open a socket, allocate a control block, post a
// receive into the block's fragment, check for completion, free, close.
// Status results are 32-bit; negative means failure (see TolvSipxStatus.h).
// The transport is chosen by the TOLVSIPX environment variable when a socket
// is opened (eth:IFNAME, eth:any, file:PATH, replay:PATH, dosbox:HOST[:PORT]).

#include <cstdint>

extern "C" {

typedef std::int32_t TOLVSIPX_STATUS;

// One buffer that a receive fills.
struct TolvSipxFragment {
    void* address;
    std::uint32_t length;
};

// The fields the caller sets before posting a receive. The library allocates a
// larger private block that starts with these.
struct TolvSipxControlBlock {
    std::uint32_t socketHandle;      // from TolvSipxOpenSocket
    std::uint32_t reserved;          // caller sets 0
    std::uint32_t fragmentCount;     // caller sets 1
    TolvSipxFragment* fragments;     // caller's descriptor(s)
};

// Opens an IPX socket. socketNumber points at the number in network byte order
// (bytes 0x04 0x52 for SAP). flags is 0 and mode is -1 for an ordinary socket.
TOLVSIPX_STATUS TolvSipxOpenSocket(std::uint32_t flags, std::int32_t mode,
                                   const std::uint16_t* socketNumber,
                                   std::uint32_t* socketHandle);

// Allocates a control block; count is 4 and flags 0 for an ordinary block.
TOLVSIPX_STATUS TolvSipxAllocControlBlock(std::uint32_t count, std::uint32_t flags,
                                          TolvSipxControlBlock** block);

// Posts a receive into the block's first fragment.
TOLVSIPX_STATUS TolvSipxReceiveDatagram(TolvSipxControlBlock* block);

// 0 once the posted receive has completed: the fragment then holds the SAP
// payload (IPX header stripped, trimmed to the IPX length, zero-filled after).
// Any other value: not completed yet. Never blocks.
TOLVSIPX_STATUS TolvSipxCheckCompletion(TolvSipxControlBlock* block);

// Frees a block; a receive still pending on it is dropped.
void TolvSipxFreeControlBlock(TolvSipxControlBlock* block);

void TolvSipxCloseSocket(std::uint32_t socketHandle);

// A descriptor that becomes readable when a receive on the socket may complete,
// so that callers can wait in poll()/select() without spinning; -1 if none.
int TolvSipxGetSocketDescriptor(std::uint32_t socketHandle);

}  // extern "C"

extern "C" {

// 0 while the socket's transport works; once it has died (interface down or
// removed, hub gone) the failure status that ended it. NO_SUCH_SOCKET for a
// handle that is not open.
TOLVSIPX_STATUS TolvSipxGetSocketError(std::uint32_t socketHandle);

}  // extern "C"
