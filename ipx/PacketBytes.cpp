#include "PacketBytes.h"

#include <cstring>

namespace zorvik::ipx {

bool PacketBytes::fetch(std::size_t offset, std::size_t count, const std::uint8_t** out) const
{
    // Written so that neither sum can overflow.
    if (offset > m_size || count > m_size - offset)
        return false;
    *out = m_data + offset;
    return true;
}

bool PacketBytes::u8(std::size_t offset, std::uint8_t& value) const
{
    const std::uint8_t* p = nullptr;
    if (!fetch(offset, 1, &p))
        return false;
    value = p[0];
    return true;
}

bool PacketBytes::u16(std::size_t offset, std::uint16_t& value) const
{
    const std::uint8_t* p = nullptr;
    if (!fetch(offset, 2, &p))
        return false;
    value = static_cast<std::uint16_t>((p[0] << 8) | p[1]);
    return true;
}

bool PacketBytes::matches(std::size_t offset, const std::uint8_t* pattern, std::size_t count) const
{
    const std::uint8_t* p = nullptr;
    return fetch(offset, count, &p) && std::memcmp(p, pattern, count) == 0;
}

PacketBytes PacketBytes::sub(std::size_t offset, std::size_t count) const
{
    const std::uint8_t* p = nullptr;
    if (!fetch(offset, 0, &p))
        return {};
    const std::size_t rest = m_size - offset;
    return PacketBytes(p, count < rest ? count : rest);
}

}  // namespace zorvik::ipx
