#pragma once

// Writes a classic pcap file (microsecond stamps), buffered.

#include <cstdint>
#include <cstdio>
#include <string>

namespace zorvik::capwrite {

class PcapWriter {
public:
    PcapWriter() = default;
    PcapWriter(const PcapWriter&) = delete;
    PcapWriter& operator=(const PcapWriter&) = delete;
    ~PcapWriter();

    // false with errno set when the file cannot be created.
    bool open(const std::string& path, int linkType, std::uint32_t snapLength = 65535);
    bool write(std::uint64_t timeUs, const std::uint8_t* data, std::size_t size);
    // Flushes and closes; false if anything failed to reach the file.
    bool close();

private:
    std::FILE* m_file = nullptr;
    bool m_failed = false;
};

}  // namespace zorvik::capwrite
