#include "PcapWriter.h"

namespace zorvik::capwrite {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

// pcap stores its headers in the writer's byte order; the magic tells readers which.
template <typename T>
bool putRaw(std::FILE* file, T value)
{
    return std::fwrite(&value, sizeof value, 1, file) == 1;
}

}  // namespace

PcapWriter::~PcapWriter()
{
    close();
}

bool PcapWriter::open(const std::string& path, int linkType, std::uint32_t snapLength)
{
    close();
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        return false;
    std::setvbuf(m_file, nullptr, _IOFBF, kBufferSize);
    m_failed = false;
    bool ok = putRaw<std::uint32_t>(m_file, 0xA1B2C3D4);
    ok = ok && putRaw<std::uint16_t>(m_file, 2) && putRaw<std::uint16_t>(m_file, 4);
    ok = ok && putRaw<std::int32_t>(m_file, 0) && putRaw<std::uint32_t>(m_file, 0);
    ok = ok && putRaw<std::uint32_t>(m_file, snapLength) && putRaw<std::uint32_t>(m_file, static_cast<std::uint32_t>(linkType));
    m_failed = !ok;
    return ok;
}

bool PcapWriter::write(std::uint64_t timeUs, const std::uint8_t* data, std::size_t size)
{
    if (!m_file)
        return false;
    bool ok = putRaw<std::uint32_t>(m_file, static_cast<std::uint32_t>(timeUs / 1000000));
    ok = ok && putRaw<std::uint32_t>(m_file, static_cast<std::uint32_t>(timeUs % 1000000));
    ok = ok && putRaw<std::uint32_t>(m_file, static_cast<std::uint32_t>(size));
    ok = ok && putRaw<std::uint32_t>(m_file, static_cast<std::uint32_t>(size));
    ok = ok && (size == 0 || std::fwrite(data, size, 1, m_file) == 1);
    if (!ok)
        m_failed = true;
    return ok;
}

bool PcapWriter::close()
{
    if (!m_file)
        return !m_failed;
    const bool flushed = std::fflush(m_file) == 0;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return flushed && closed && !m_failed;
}

}  // namespace zorvik::capwrite
