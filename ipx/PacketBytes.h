#pragma once

// A read-only view of captured bytes. Every read from a frame goes through
// fetch(), which refuses any range that does not lie wholly inside the view,
// so no parser line can read past what was captured.

#include <cstddef>
#include <cstdint>

namespace zorvik::ipx {

class PacketBytes {
public:
    PacketBytes() = default;
    PacketBytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    // The one accessor: true and *out set when [offset, offset + count) is inside.
    bool fetch(std::size_t offset, std::size_t count, const std::uint8_t** out) const;

    bool u8(std::size_t offset, std::uint8_t& value) const;
    bool u16(std::size_t offset, std::uint16_t& value) const;  // big-endian
    // True when the bytes at offset equal pattern.
    bool matches(std::size_t offset, const std::uint8_t* pattern, std::size_t count) const;

    // The bytes from offset on, at most count of them; empty when offset is past the end.
    PacketBytes sub(std::size_t offset, std::size_t count = SIZE_MAX) const;

    std::size_t size() const { return m_size; }
    const std::uint8_t* data() const { return m_data; }

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};

}  // namespace zorvik::ipx
