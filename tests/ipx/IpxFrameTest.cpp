// The frame parser on every framing it knows and on the bad input it must
// survive: short frames, length fields that lie, unknown framings, deep tags.

#include "IpxFrame.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CapturePackets.h"

namespace {

using namespace zorvik::ipx;
using zorvik::capwrite::Bytes;
using zorvik::capwrite::IpxEndpoint;
using zorvik::capwrite::ServiceEntry;
using zorvik::capwrite::cookedFrame;
using zorvik::capwrite::ethernetFrame;
using zorvik::capwrite::ipxPacket;
using zorvik::capwrite::sapBroadcast;
using zorvik::capwrite::sapQuery;
using zorvik::capwrite::sapResponse;
using zorvik::capwrite::kLinkEthernet;
using zorvik::capwrite::kLinkLinuxSll;
using zorvik::capwrite::kLinkLinuxSll2;
using W = zorvik::capwrite::Framing;

Bytes sapIpx(int entries = 1)
{
    std::vector<ServiceEntry> list;
    for (int i = 0; i < entries; ++i) {
        ServiceEntry entry;
        entry.name = "SERVER" + std::to_string(i);
        entry.type = 4;
        list.push_back(entry);
    }
    IpxEndpoint source;
    source.node[5] = 0x42;
    source.socket = 0x4000;
    return ipxPacket(sapBroadcast(), source, 4, sapResponse(list));
}

Bytes withByte(Bytes bytes, std::size_t offset, std::uint8_t value)
{
    bytes.at(offset) = value;
    return bytes;
}

Bytes cut(Bytes bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}

// An Ethernet II frame whose type is `type`, with some payload.
Bytes ethType(std::uint16_t type)
{
    Bytes frame = ethernetFrame(W::EthernetII, sapIpx());
    frame[12] = static_cast<std::uint8_t>(type >> 8);
    frame[13] = static_cast<std::uint8_t>(type);
    return frame;
}

struct FrameCase {
    const char* name;
    int linkType;
    std::function<Bytes()> frame;
    FrameResult result;
    Framing framing = Framing::Bare;
    int tags = 0;
    std::size_t payload = 0;  // expected payload size when Ipx
};

class FrameCases : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameCases, GivesTheDefinedResult)
{
    const FrameCase& c = GetParam();
    const Bytes frame = c.frame();
    IpxPacket packet;
    const FrameResult result = parseFrame(c.linkType, PacketBytes(frame.data(), frame.size()), packet);
    ASSERT_EQ(result, c.result) << frameResultName(result);
    if (result != FrameResult::Ipx)
        return;
    EXPECT_EQ(packet.framing, c.framing);
    EXPECT_EQ(packet.vlanTags, c.tags);
    EXPECT_EQ(packet.payload.size(), c.payload);
    EXPECT_EQ(packet.destination.socket, 0x0452);
    EXPECT_GE(packet.payload.data(), frame.data());
    EXPECT_LE(packet.payload.data() + packet.payload.size(), frame.data() + frame.size());
}

constexpr std::size_t kOneEntry = 2 + 64;

const FrameCase kFrameCases[] = {
    // The four framings, tagged and not.
    {"EthernetII", kLinkEthernet, [] { return ethernetFrame(W::EthernetII, sapIpx()); }, FrameResult::Ipx,
     Framing::EthernetII, 0, kOneEntry},
    {"NovellRaw", kLinkEthernet, [] { return ethernetFrame(W::Raw8023, sapIpx()); }, FrameResult::Ipx,
     Framing::Raw8023, 0, kOneEntry},
    {"Llc", kLinkEthernet, [] { return ethernetFrame(W::Llc8022, sapIpx()); }, FrameResult::Ipx,
     Framing::Llc8022, 0, kOneEntry},
    {"Snap", kLinkEthernet, [] { return ethernetFrame(W::Snap, sapIpx()); }, FrameResult::Ipx, Framing::Snap, 0,
     kOneEntry},
    {"SevenEntries", kLinkEthernet, [] { return ethernetFrame(W::EthernetII, sapIpx(7)); }, FrameResult::Ipx,
     Framing::EthernetII, 0, 450},
    {"VlanEthernetII", kLinkEthernet, [] { return ethernetFrame(W::EthernetII, sapIpx(), {5}); },
     FrameResult::Ipx, Framing::EthernetII, 1, kOneEntry},
    {"VlanRaw", kLinkEthernet, [] { return ethernetFrame(W::Raw8023, sapIpx(), {5}); }, FrameResult::Ipx,
     Framing::Raw8023, 1, kOneEntry},
    {"VlanInVlanLlc", kLinkEthernet, [] { return ethernetFrame(W::Llc8022, sapIpx(), {5, 6}); },
     FrameResult::Ipx, Framing::Llc8022, 2, kOneEntry},
    {"VlanInVlanSnap", kLinkEthernet, [] { return ethernetFrame(W::Snap, sapIpx(), {5, 6}); },
     FrameResult::Ipx, Framing::Snap, 2, kOneEntry},
    {"QinQType", kLinkEthernet,
     [] { return withByte(withByte(ethernetFrame(W::EthernetII, sapIpx(), {5, 6}), 12, 0x88), 13, 0xA8); },
     FrameResult::Ipx, Framing::EthernetII, 2, kOneEntry},
    {"TooManyTags", kLinkEthernet, [] { return ethernetFrame(W::EthernetII, sapIpx(), {1, 2, 3, 4, 5}); },
     FrameResult::Malformed},
    // Padding after a short packet is trimmed by the IPX length field.
    {"PaddedQuery", kLinkEthernet,
     [] { return ethernetFrame(W::EthernetII, ipxPacket(sapBroadcast(), {}, 4, sapQuery(0xFFFF))); },
     FrameResult::Ipx, Framing::EthernetII, 0, 4},
    {"PaddedRawQuery", kLinkEthernet,
     [] { return ethernetFrame(W::Raw8023, ipxPacket(sapBroadcast(), {}, 4, sapQuery(0xFFFF))); },
     FrameResult::Ipx, Framing::Raw8023, 0, 4},
    // Linux cooked frames from the `any` device.
    {"SllEthernetII", kLinkLinuxSll, [] { return cookedFrame(kLinkLinuxSll, W::EthernetII, sapIpx()); },
     FrameResult::Ipx, Framing::EthernetII, 0, kOneEntry},
    {"SllRaw", kLinkLinuxSll, [] { return cookedFrame(kLinkLinuxSll, W::Raw8023, sapIpx()); },
     FrameResult::Ipx, Framing::Raw8023, 0, kOneEntry},
    {"SllLlc", kLinkLinuxSll, [] { return cookedFrame(kLinkLinuxSll, W::Llc8022, sapIpx()); },
     FrameResult::Ipx, Framing::Llc8022, 0, kOneEntry},
    {"SllSnap", kLinkLinuxSll, [] { return cookedFrame(kLinkLinuxSll, W::Snap, sapIpx()); }, FrameResult::Ipx,
     Framing::Snap, 0, kOneEntry},
    {"Sll2EthernetII", kLinkLinuxSll2, [] { return cookedFrame(kLinkLinuxSll2, W::EthernetII, sapIpx()); },
     FrameResult::Ipx, Framing::EthernetII, 0, kOneEntry},
    {"Sll2Raw", kLinkLinuxSll2, [] { return cookedFrame(kLinkLinuxSll2, W::Raw8023, sapIpx()); },
     FrameResult::Ipx, Framing::Raw8023, 0, kOneEntry},
    {"Sll2Llc", kLinkLinuxSll2, [] { return cookedFrame(kLinkLinuxSll2, W::Llc8022, sapIpx()); },
     FrameResult::Ipx, Framing::Llc8022, 0, kOneEntry},
    {"Sll2Snap", kLinkLinuxSll2, [] { return cookedFrame(kLinkLinuxSll2, W::Snap, sapIpx()); },
     FrameResult::Ipx, Framing::Snap, 0, kOneEntry},
    {"SllVlan", kLinkLinuxSll,
     [] {
         Bytes frame = cookedFrame(kLinkLinuxSll, W::EthernetII, sapIpx());
         frame[14] = 0x81;
         frame[15] = 0x00;
         const Bytes tag = {0x00, 0x05, 0x81, 0x37};
         frame.insert(frame.begin() + 16, tag.begin(), tag.end());
         return frame;
     },
     FrameResult::Ipx, Framing::EthernetII, 1, kOneEntry},
    {"SllOtherProtocol", kLinkLinuxSll,
     [] { return withByte(withByte(cookedFrame(kLinkLinuxSll, W::EthernetII, sapIpx()), 14, 0x08), 15, 0); },
     FrameResult::NotIpx},
    {"SllShorterThanHeader", kLinkLinuxSll, [] { return cut(cookedFrame(kLinkLinuxSll, W::EthernetII, sapIpx()), 15); },
     FrameResult::Truncated},
    {"Sll2ShorterThanHeader", kLinkLinuxSll2,
     [] { return cut(cookedFrame(kLinkLinuxSll2, W::EthernetII, sapIpx()), 19); }, FrameResult::Truncated},
    // Bare IPX, as the tunnel delivers it.
    {"Bare", kLinkTypeBareIpx, [] { return sapIpx(); }, FrameResult::Ipx, Framing::Bare, 0, kOneEntry},
    {"BareEmpty", kLinkTypeBareIpx, [] { return Bytes{}; }, FrameResult::Truncated},
    // Frames shorter than their headers.
    {"Empty", kLinkEthernet, [] { return Bytes{}; }, FrameResult::Truncated},
    {"ShorterThanEthernetHeader", kLinkEthernet, [] { return Bytes(13, 0xFF); }, FrameResult::Truncated},
    {"IpxHeaderCut", kLinkEthernet, [] { return cut(ethernetFrame(W::EthernetII, sapIpx()), 14 + 29); },
     FrameResult::Truncated},
    {"LlcHeaderCut", kLinkEthernet,
     [] {
         Bytes frame = cut(ethernetFrame(W::Llc8022, sapIpx()), 16);
         frame[12] = 0;
         frame[13] = 2;
         return frame;
     },
     FrameResult::Truncated},
    // IPX length fields that lie, both ways.
    {"IpxLengthTooLong", kLinkEthernet, [] { return withByte(ethernetFrame(W::EthernetII, sapIpx()), 14 + 2, 0x05); },
     FrameResult::Truncated},
    {"IpxLengthBelowHeader", kLinkEthernet,
     [] { return withByte(withByte(ethernetFrame(W::EthernetII, sapIpx()), 14 + 2, 0), 14 + 3, 29); },
     FrameResult::Malformed},
    {"IpxLengthZero", kLinkTypeBareIpx, [] { return withByte(withByte(sapIpx(), 2, 0), 3, 0); }, FrameResult::Malformed},
    {"IpxLengthShort", kLinkEthernet,
     [] { return withByte(ethernetFrame(W::EthernetII, sapIpx(7)), 14 + 3, 0x5C); },  // 0x015C = 348 of 480
     FrameResult::Ipx, Framing::EthernetII, 0, 348 - 30},
    // 802.3 lengths that lie.
    {"Length8023BeyondFrame", kLinkEthernet, [] { return withByte(ethernetFrame(W::Raw8023, sapIpx()), 12, 0x05); },
     FrameResult::Truncated},
    {"Length8023BelowIpxLength", kLinkEthernet, [] { return withByte(ethernetFrame(W::Raw8023, sapIpx()), 13, 40); },
     FrameResult::Truncated},
    // Other protocols and unknown framings.
    {"IPv4", kLinkEthernet, [] { return ethType(0x0800); }, FrameResult::NotIpx},
    {"UnknownLlc", kLinkEthernet,
     [] { return withByte(withByte(ethernetFrame(W::Llc8022, sapIpx()), 14, 0xF0), 15, 0xF0); },
     FrameResult::NotIpx},
    {"SnapOtherProtocol", kLinkEthernet, [] { return withByte(ethernetFrame(W::Snap, sapIpx()), 14 + 7, 0x38); },
     FrameResult::NotIpx},
    {"NeitherLengthNorType", kLinkEthernet, [] { return ethType(1536 - 1); }, FrameResult::Malformed},
    {"UnknownLinkType", 105, [] { return ethernetFrame(W::EthernetII, sapIpx()); }, FrameResult::NotIpx},
};

INSTANTIATE_TEST_SUITE_P(Parser, FrameCases, ::testing::ValuesIn(kFrameCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IpxFrame, DecodesEveryHeaderField)
{
    IpxEndpoint destination = sapBroadcast();
    IpxEndpoint source;
    const std::uint8_t network[4] = {0x13, 0, 0, 1};
    const std::uint8_t node[6] = {0, 0x20, 0xAF, 0x39, 0x79, 0xE2};
    std::copy(network, network + 4, source.network);
    std::copy(node, node + 6, source.node);
    source.socket = 0x4000;
    const Bytes frame = ethernetFrame(W::Snap, ipxPacket(destination, source, 4, sapQuery(4)), {7});
    IpxPacket packet;
    ASSERT_EQ(parseFrame(kLinkEthernet, PacketBytes(frame.data(), frame.size()), packet), FrameResult::Ipx);
    EXPECT_EQ(packet.checksum, 0xFFFF);
    EXPECT_EQ(packet.length, 34);
    EXPECT_EQ(packet.packetType, 4);
    EXPECT_EQ(packet.destination.socket, 0x0452);
    EXPECT_EQ(packet.destination.node[0], 0xFF);
    EXPECT_EQ(packet.source.socket, 0x4000);
    EXPECT_EQ(0, std::memcmp(packet.source.network, network, 4));
    EXPECT_EQ(0, std::memcmp(packet.source.node, node, 6));
    ASSERT_EQ(packet.payload.size(), 4u);
    EXPECT_EQ(packet.payload.data()[3], 4);
}

// Every prefix of every framing: never a read outside the prefix, and a
// packet only once the prefix holds all of it.
TEST(IpxFrame, EveryPrefixOfAFrameStaysInBounds)
{
    for (const W framing : {W::EthernetII, W::Raw8023, W::Llc8022, W::Snap}) {
        const Bytes full = ethernetFrame(framing, sapIpx(2), {9, 10});
        std::size_t firstComplete = 0;
        for (std::size_t size = 0; size <= full.size(); ++size) {
            // A copy of exactly `size` bytes, so that the sanitizers see any overread.
            const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
            IpxPacket packet;
            if (parseFrame(kLinkEthernet, PacketBytes(prefix.data(), prefix.size()), packet) == FrameResult::Ipx) {
                if (!firstComplete)
                    firstComplete = size;
                EXPECT_EQ(packet.payload.size(), 2u + 2 * 64);
            }
        }
        EXPECT_EQ(firstComplete, full.size()) << zorvik::capwrite::framingName(framing);
    }
}

TEST(PacketBytes, RefusesRangesOutsideTheView)
{
    const std::uint8_t data[4] = {1, 2, 3, 4};
    const PacketBytes bytes(data, sizeof data);
    const std::uint8_t* p = nullptr;
    EXPECT_TRUE(bytes.fetch(0, 4, &p));
    EXPECT_TRUE(bytes.fetch(4, 0, &p));
    EXPECT_FALSE(bytes.fetch(1, 4, &p));
    EXPECT_FALSE(bytes.fetch(5, 0, &p));
    EXPECT_FALSE(bytes.fetch(SIZE_MAX, 2, &p));
    EXPECT_FALSE(bytes.fetch(2, SIZE_MAX, &p));
    std::uint16_t value = 0;
    EXPECT_TRUE(bytes.u16(2, value));
    EXPECT_EQ(value, 0x0304);
    EXPECT_FALSE(bytes.u16(3, value));
    EXPECT_EQ(bytes.sub(3).size(), 1u);
    EXPECT_EQ(bytes.sub(9).size(), 0u);
    EXPECT_EQ(bytes.sub(1, 2).size(), 2u);
}

}  // namespace
