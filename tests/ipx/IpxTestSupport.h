#pragma once

// Shared by the IPX library tests: a scratch folder, TOLVSIPX set for one
// test, and a receiver that drives the library the way the gathering loop does.

#include <cstdint>
#include <string>
#include <vector>

#include "TolvSipx.h"

namespace zorvik::ipxtest {

inline constexpr std::uint16_t kSapSocketNumber = 0x0452;

// A fresh folder under /tmp, removed with everything in it.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string path(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Sets TOLVSIPX for its lifetime, restoring the previous value after.
class TransportSetting {
public:
    explicit TransportSetting(const std::string& value);
    ~TransportSetting();
    TransportSetting(const TransportSetting&) = delete;
    TransportSetting& operator=(const TransportSetting&) = delete;

private:
    bool m_hadValue = false;
    std::string m_previous;
};

struct SapName {
    std::string name;
    std::uint16_t type;
};

class Receiver {
public:
    explicit Receiver(std::uint32_t fragmentLength = 450);
    ~Receiver();
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    // Opens the socket, allocates the block and posts the first receive.
    TOLVSIPX_STATUS start(std::uint16_t socketNumber = kSapSocketNumber);
    // Waits on the descriptor (at most timeoutMs) for one datagram, then reposts.
    // Returns the completion status (0 received, otherwise what the check answered).
    TOLVSIPX_STATUS receive(int timeoutMs);
    // Receives until the network stays quiet for quietMs; returns how many came.
    int receiveAll(int quietMs, std::vector<std::vector<std::uint8_t>>* payloads = nullptr);

    const std::uint8_t* buffer() const { return m_buffer.data(); }
    std::uint32_t handle() const { return m_handle; }
    TolvSipxControlBlock* block() const { return m_block; }
    bool descriptorReadable(int timeoutMs) const;
    void stop();

private:
    std::vector<std::uint8_t> m_buffer;  // fragment plus a guard area after it
    std::uint32_t m_fragmentLength;
    TolvSipxFragment m_fragment{};
    std::uint32_t m_handle = 0;
    bool m_open = false;
    TolvSipxControlBlock* m_block = nullptr;
};

// Names in the seven 64-byte entry slots of a SAP payload (empty slots skipped).
std::vector<SapName> sapNames(const std::uint8_t* payload);

std::string sharedCapture(const std::string& name);  // "" when absent

}  // namespace zorvik::ipxtest
