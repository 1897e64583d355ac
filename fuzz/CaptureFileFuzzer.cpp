// Arbitrary file bytes through the capture-file transport, by way of the
// library's API: open with TOLVSIPX=file:PATH, drain every datagram, close.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "TolvSipx.h"
#include "TolvSipxStatus.h"

namespace {

constexpr std::size_t kBufferSize = 450;
constexpr std::uint8_t kGuard = 0xA5;

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

std::string& capturePath()
{
    static std::string path;
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char name[] = "/tmp/zorvik-fuzz-capture-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) {
        std::perror("mkstemp");
        std::abort();
    }
    close(fd);
    capturePath() = name;
    setenv("TOLVSIPX", ("file:" + capturePath()).c_str(), 1);
    std::atexit([] { unlink(capturePath().c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(capturePath().c_str(), "wb");
    check(file != nullptr, "cannot write the capture file");
    if (size)
        std::fwrite(data, 1, size, file);
    std::fclose(file);

    const std::uint8_t sapSocket[2] = {0x04, 0x52};
    std::uint16_t socketNumber = 0;
    std::memcpy(&socketNumber, sapSocket, 2);
    std::uint32_t handle = 0;
    if (TolvSipxOpenSocket(0, -1, &socketNumber, &handle) != TOLVSIPX_STATUS_SUCCESS)
        return 0;  // not a capture, or one we cannot read: refused at open

    TolvSipxControlBlock* block = nullptr;
    check(TolvSipxAllocControlBlock(4, 0, &block) == TOLVSIPX_STATUS_SUCCESS, "no control block");
    // One byte past the fragment guards against writes beyond its length.
    std::uint8_t buffer[kBufferSize + 1];
    std::memset(buffer, kGuard, sizeof buffer);
    TolvSipxFragment fragment{buffer, kBufferSize};
    block->socketHandle = handle;
    block->reserved = 0;
    block->fragmentCount = 1;
    block->fragments = &fragment;

    // Every record takes at least its 16-byte header, so a file of this size
    // cannot need more checks than this; more would mean the transport loops.
    const std::size_t maxChecks = size / 16 + 8;
    std::size_t checks = 0;
    check(TolvSipxReceiveDatagram(block) == TOLVSIPX_STATUS_SUCCESS, "receive not posted");
    for (; checks < maxChecks; ++checks) {
        const TOLVSIPX_STATUS status = TolvSipxCheckCompletion(block);
        if (status < 0)
            break;
        if (status != TOLVSIPX_STATUS_SUCCESS)
            continue;
        check(buffer[kBufferSize] == kGuard, "write past the fragment");
        check(TolvSipxReceiveDatagram(block) == TOLVSIPX_STATUS_SUCCESS, "receive not posted again");
    }
    TolvSipxFreeControlBlock(block);
    TolvSipxCloseSocket(handle);
    return 0;
}
