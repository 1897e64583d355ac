#include "IpxTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <poll.h>

#include "TolvSipxStatus.h"

namespace zorvik::ipxtest {

namespace {
constexpr std::size_t kGuard = 64;
constexpr std::uint8_t kGuardByte = 0xA5;
}  // namespace

ScratchDir::ScratchDir()
{
    char pattern[] = "/tmp/zorvik-ipx-XXXXXX";
    m_path = mkdtemp(pattern);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

TransportSetting::TransportSetting(const std::string& value)
{
    if (const char* previous = std::getenv("TOLVSIPX")) {
        m_hadValue = true;
        m_previous = previous;
    }
    setenv("TOLVSIPX", value.c_str(), 1);
}

TransportSetting::~TransportSetting()
{
    if (m_hadValue)
        setenv("TOLVSIPX", m_previous.c_str(), 1);
    else
        unsetenv("TOLVSIPX");
}

Receiver::Receiver(std::uint32_t fragmentLength)
    : m_buffer(fragmentLength + kGuard, kGuardByte), m_fragmentLength(fragmentLength)
{
    std::memset(m_buffer.data(), 0, fragmentLength);
}

Receiver::~Receiver()
{
    stop();
}

void Receiver::stop()
{
    if (m_block)
        TolvSipxFreeControlBlock(m_block);
    m_block = nullptr;
    if (m_open)
        TolvSipxCloseSocket(m_handle);
    m_open = false;
}

TOLVSIPX_STATUS Receiver::start(std::uint16_t socketNumber)
{
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(socketNumber >> 8),
                                   static_cast<std::uint8_t>(socketNumber)};
    std::uint16_t number = 0;
    std::memcpy(&number, bytes, 2);
    TOLVSIPX_STATUS status = TolvSipxOpenSocket(0, -1, &number, &m_handle);
    if (status != TOLVSIPX_STATUS_SUCCESS)
        return status;
    m_open = true;
    status = TolvSipxAllocControlBlock(4, 0, &m_block);
    if (status != TOLVSIPX_STATUS_SUCCESS)
        return status;
    m_fragment.address = m_buffer.data();
    m_fragment.length = m_fragmentLength;
    m_block->socketHandle = m_handle;
    m_block->reserved = 0;
    m_block->fragmentCount = 1;
    m_block->fragments = &m_fragment;
    return TolvSipxReceiveDatagram(m_block);
}

bool Receiver::descriptorReadable(int timeoutMs) const
{
    pollfd wait{TolvSipxGetSocketDescriptor(m_handle), POLLIN, 0};
    return ::poll(&wait, 1, timeoutMs) > 0;
}

TOLVSIPX_STATUS Receiver::receive(int timeoutMs)
{
    // One deadline for the whole wait: transports with timers of their own
    // wake the descriptor without a datagram.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    TOLVSIPX_STATUS status = TolvSipxCheckCompletion(m_block);
    while (status != TOLVSIPX_STATUS_SUCCESS) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (status < 0 || left.count() < 0 || !descriptorReadable(static_cast<int>(left.count())))
            return status;
        status = TolvSipxCheckCompletion(m_block);
    }
    // The fragment's length is never exceeded.
    for (std::size_t i = m_fragmentLength; i < m_buffer.size(); ++i) {
        if (m_buffer[i] != kGuardByte)
            return TOLVSIPX_STATUS_BAD_ARGUMENTS;
    }
    return status;
}

int Receiver::receiveAll(int quietMs, std::vector<std::vector<std::uint8_t>>* payloads)
{
    int count = 0;
    while (receive(quietMs) == TOLVSIPX_STATUS_SUCCESS) {
        ++count;
        if (payloads)
            payloads->emplace_back(m_buffer.begin(), m_buffer.begin() + m_fragmentLength);
        if (TolvSipxReceiveDatagram(m_block) != TOLVSIPX_STATUS_SUCCESS)
            break;
    }
    return count;
}

std::vector<SapName> sapNames(const std::uint8_t* payload)
{
    std::vector<SapName> names;
    for (int slot = 0; slot < 7; ++slot) {
        const std::uint8_t* entry = payload + 2 + 64 * slot;
        const char* name = reinterpret_cast<const char*>(entry + 2);
        if (!name[0])
            continue;
        names.push_back({std::string(name, strnlen(name, 48)),
                         static_cast<std::uint16_t>((entry[0] << 8) | entry[1])});
    }
    return names;
}

std::string sharedCapture(const std::string& name)
{
    const std::string path = std::string(ZORVIK_SHARED_CAPTURES) + "/" + name;
    return std::filesystem::exists(path) ? path : std::string();
}

}  // namespace zorvik::ipxtest
