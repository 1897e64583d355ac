#include "TolvSipx.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include <sys/epoll.h>
#include <sys/eventfd.h>

#include "CaptureFileTransport.h"
#include "DosboxTransport.h"
#include "IpxFrame.h"
#include "LiveTransport.h"
#include "TolvSipxStatus.h"
#include "TolvSipxTesting.h"
#include "TransportConfig.h"
#include "UniqueFd.h"

namespace {

using namespace zorvik::ipx;

// Frames looked at per completion check before it answers "not yet", so that
// a long run of other traffic in a capture cannot hold the caller.
constexpr int kFramesPerCheck = 256;
constexpr std::uint32_t kDefaultRegistrationMs = 3000;
constexpr std::uint32_t kDefaultKeepaliveMs = 5000;

struct Socket {
    std::uint32_t handle = 0;
    std::uint16_t number = 0;
    std::unique_ptr<Transport> transport;
    UniqueFd poll;  // what callers wait on: the transport's descriptors and `died`
    UniqueFd died;  // signalled once when the transport dies, cleared when reported
    TOLVSIPX_STATUS error = TOLVSIPX_STATUS_SUCCESS;
};

enum class BlockState { Idle, Pending, Completed };

struct Block {
    TolvSipxControlBlock fields;  // first, so that the caller's pointer is this block
    BlockState state = BlockState::Idle;
    Socket* socket = nullptr;
};

struct Library {
    std::unordered_map<std::uint32_t, std::unique_ptr<Socket>> sockets;
    std::unordered_set<Block*> blocks;
    std::uint32_t nextHandle = 1;
    bool injected[TolvSipxOpCount] = {};
    TOLVSIPX_STATUS injectedStatus[TolvSipxOpCount] = {};
    std::uint32_t registrationMs = kDefaultRegistrationMs;
    std::uint32_t keepaliveMs = kDefaultKeepaliveMs;

    ~Library()
    {
        for (Block* block : blocks)
            delete block;
    }
};

Library& library()
{
    static Library instance;
    return instance;
}

bool takeInjected(TolvSipxOperation op, TOLVSIPX_STATUS& status)
{
    Library& lib = library();
    if (!lib.injected[op])
        return false;
    lib.injected[op] = false;
    status = lib.injectedStatus[op];
    return true;
}

Socket* findSocket(std::uint32_t handle)
{
    Library& lib = library();
    const auto it = lib.sockets.find(handle);
    return it == lib.sockets.end() ? nullptr : it->second.get();
}

Block* findBlock(TolvSipxControlBlock* fields)
{
    Library& lib = library();
    Block* block = reinterpret_cast<Block*>(fields);
    return lib.blocks.count(block) ? block : nullptr;
}

TOLVSIPX_STATUS openTransport(std::unique_ptr<Transport>& transport)
{
    TransportConfig config;
    if (!parseTransportConfig(std::getenv("TOLVSIPX"), config))
        return TOLVSIPX_STATUS_BAD_CONFIGURATION;
    const Library& lib = library();
    switch (config.kind) {
    case TransportConfig::Kind::Live:
        return LiveTransport::open(config.target, transport);
    case TransportConfig::Kind::File:
        return CaptureFileTransport::open(config.target, false, transport);
    case TransportConfig::Kind::Replay:
        return CaptureFileTransport::open(config.target, true, transport);
    case TransportConfig::Kind::Dosbox:
        return DosboxTransport::open(config.target, config.port, lib.registrationMs, lib.keepaliveMs, transport);
    }
    return TOLVSIPX_STATUS_BAD_CONFIGURATION;
}

bool watch(int pollFd, int fd)
{
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    return epoll_ctl(pollFd, EPOLL_CTL_ADD, fd, &event) == 0;
}

void clearDied(Socket& socket)
{
    std::uint64_t value = 0;
    while (::read(socket.died.get(), &value, sizeof value) > 0) {
    }
}

// The transport is gone for good: its descriptors close (and leave the poll
// set), and waiters are woken once to learn it.
void markDead(Socket& socket, TOLVSIPX_STATUS status)
{
    socket.error = status;
    socket.transport.reset();
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(socket.died.get(), &one, sizeof one);
}

void deliver(Block& block, const IpxPacket& packet)
{
    const TolvSipxFragment& fragment = block.fields.fragments[0];
    auto* out = static_cast<std::uint8_t*>(fragment.address);
    const std::size_t copied = packet.payload.size() < fragment.length ? packet.payload.size() : fragment.length;
    if (copied)
        std::memcpy(out, packet.payload.data(), copied);
    if (fragment.length > copied)
        std::memset(out + copied, 0, fragment.length - copied);
}

}  // namespace

extern "C" {

TOLVSIPX_STATUS TolvSipxOpenSocket(std::uint32_t flags, std::int32_t mode, const std::uint16_t* socketNumber,
                                   std::uint32_t* socketHandle)
{
    (void)mode;  // only ordinary sockets exist here
    TOLVSIPX_STATUS status = 0;
    if (takeInjected(TolvSipxOpOpenSocket, status))
        return status;
    if (!socketNumber || !socketHandle || flags != 0)
        return TOLVSIPX_STATUS_BAD_ARGUMENTS;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(socketNumber);
    const auto number = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
    if (number == 0)
        return TOLVSIPX_STATUS_BAD_ARGUMENTS;  // no dynamic socket numbers
    Library& lib = library();
    for (const auto& entry : lib.sockets) {
        if (entry.second->number == number)
            return TOLVSIPX_STATUS_SOCKET_ALREADY_OPEN;
    }

    std::unique_ptr<Socket> socket(new (std::nothrow) Socket);
    if (!socket)
        return TOLVSIPX_STATUS_OUT_OF_RESOURCES;
    status = openTransport(socket->transport);
    if (status != TOLVSIPX_STATUS_SUCCESS)
        return status;
    socket->poll.reset(epoll_create1(EPOLL_CLOEXEC));
    socket->died.reset(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!socket->poll.valid() || !socket->died.valid())
        return TOLVSIPX_STATUS_OUT_OF_RESOURCES;
    for (const int fd : socket->transport->descriptors()) {
        if (!watch(socket->poll.get(), fd))
            return TOLVSIPX_STATUS_SYSTEM_ERROR;
    }
    if (!watch(socket->poll.get(), socket->died.get()))
        return TOLVSIPX_STATUS_SYSTEM_ERROR;

    do {
        socket->handle = lib.nextHandle++;
    } while (socket->handle == 0 || lib.sockets.count(socket->handle));
    socket->number = number;
    *socketHandle = socket->handle;
    try {
        lib.sockets.emplace(socket->handle, std::move(socket));
    } catch (const std::bad_alloc&) {
        return TOLVSIPX_STATUS_OUT_OF_RESOURCES;
    }
    return TOLVSIPX_STATUS_SUCCESS;
}

TOLVSIPX_STATUS TolvSipxAllocControlBlock(std::uint32_t count, std::uint32_t flags, TolvSipxControlBlock** block)
{
    (void)count;  // one block per call whatever the count
    (void)flags;
    TOLVSIPX_STATUS status = 0;
    if (takeInjected(TolvSipxOpAllocControlBlock, status))
        return status;
    if (!block)
        return TOLVSIPX_STATUS_BAD_ARGUMENTS;
    Block* created = new (std::nothrow) Block{};
    if (!created)
        return TOLVSIPX_STATUS_OUT_OF_RESOURCES;
    try {
        library().blocks.insert(created);
    } catch (const std::bad_alloc&) {
        delete created;
        return TOLVSIPX_STATUS_OUT_OF_RESOURCES;
    }
    *block = &created->fields;
    return TOLVSIPX_STATUS_SUCCESS;
}

TOLVSIPX_STATUS TolvSipxReceiveDatagram(TolvSipxControlBlock* fields)
{
    TOLVSIPX_STATUS status = 0;
    if (takeInjected(TolvSipxOpReceiveDatagram, status))
        return status;
    Block* block = findBlock(fields);
    if (!block)
        return TOLVSIPX_STATUS_BAD_ARGUMENTS;
    block->state = BlockState::Idle;
    block->socket = nullptr;
    Socket* socket = findSocket(fields->socketHandle);
    if (!socket)
        return TOLVSIPX_STATUS_NO_SUCH_SOCKET;
    if (fields->fragmentCount < 1 || !fields->fragments ||
        (!fields->fragments[0].address && fields->fragments[0].length > 0))
        return TOLVSIPX_STATUS_BAD_ARGUMENTS;
    if (socket->error != TOLVSIPX_STATUS_SUCCESS)
        return socket->error;
    block->state = BlockState::Pending;
    block->socket = socket;
    return TOLVSIPX_STATUS_SUCCESS;
}

TOLVSIPX_STATUS TolvSipxCheckCompletion(TolvSipxControlBlock* fields)
{
    TOLVSIPX_STATUS status = 0;
    if (takeInjected(TolvSipxOpCheckCompletion, status))
        return status;
    Block* block = findBlock(fields);
    if (!block)
        return TOLVSIPX_STATUS_BAD_ARGUMENTS;
    if (block->state == BlockState::Completed)
        return TOLVSIPX_STATUS_SUCCESS;
    if (block->state != BlockState::Pending || !block->socket)
        return TOLVSIPX_STATUS_NO_RECEIVE_POSTED;
    Socket& socket = *block->socket;
    if (socket.error != TOLVSIPX_STATUS_SUCCESS) {
        clearDied(socket);
        return socket.error;
    }
    for (int frames = 0; frames < kFramesPerCheck; ++frames) {
        int linkType = 0;
        PacketBytes frame;
        switch (socket.transport->next(linkType, frame)) {
        case TransportPoll::Nothing:
            return TOLVSIPX_STATUS_PENDING;
        case TransportPoll::Failed:
            markDead(socket, socket.transport->failure());
            clearDied(socket);
            return socket.error;
        case TransportPoll::Frame:
            break;
        }
        IpxPacket packet;
        if (parseFrame(linkType, frame, packet) != FrameResult::Ipx || packet.destination.socket != socket.number)
            continue;
        deliver(*block, packet);
        block->state = BlockState::Completed;
        return TOLVSIPX_STATUS_SUCCESS;
    }
    return TOLVSIPX_STATUS_PENDING;
}

void TolvSipxFreeControlBlock(TolvSipxControlBlock* fields)
{
    Block* block = findBlock(fields);
    if (!block)
        return;
    // A pending receive simply goes with the block.
    library().blocks.erase(block);
    delete block;
}

void TolvSipxCloseSocket(std::uint32_t socketHandle)
{
    Library& lib = library();
    const auto it = lib.sockets.find(socketHandle);
    if (it == lib.sockets.end())
        return;
    for (Block* block : lib.blocks) {
        if (block->socket == it->second.get()) {
            block->socket = nullptr;
            if (block->state == BlockState::Pending)
                block->state = BlockState::Idle;
        }
    }
    lib.sockets.erase(it);
}

int TolvSipxGetSocketDescriptor(std::uint32_t socketHandle)
{
    const Socket* socket = findSocket(socketHandle);
    return socket ? socket->poll.get() : -1;
}

TOLVSIPX_STATUS TolvSipxGetSocketError(std::uint32_t socketHandle)
{
    const Socket* socket = findSocket(socketHandle);
    return socket ? socket->error : TOLVSIPX_STATUS_NO_SUCH_SOCKET;
}

void TolvSipxTestFailNext(TolvSipxOperation op, TOLVSIPX_STATUS status)
{
    if (op < 0 || op >= TolvSipxOpCount)
        return;
    Library& lib = library();
    lib.injected[op] = true;
    lib.injectedStatus[op] = status;
}

void TolvSipxTestReset()
{
    Library& lib = library();
    for (int op = 0; op < TolvSipxOpCount; ++op)
        lib.injected[op] = false;
    lib.registrationMs = kDefaultRegistrationMs;
    lib.keepaliveMs = kDefaultKeepaliveMs;
}

void TolvSipxTestBreakTransport(std::uint32_t socketHandle, TOLVSIPX_STATUS status)
{
    Socket* socket = findSocket(socketHandle);
    if (socket && socket->error == TOLVSIPX_STATUS_SUCCESS)
        markDead(*socket, status);
}

void TolvSipxTestSetDosboxTimers(std::uint32_t registrationMs, std::uint32_t keepaliveMs)
{
    Library& lib = library();
    if (registrationMs)
        lib.registrationMs = registrationMs;
    if (keepaliveMs)
        lib.keepaliveMs = keepaliveMs;
}

}  // extern "C"
