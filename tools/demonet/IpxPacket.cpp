#include "IpxPacket.h"

#include <algorithm>
#include <cstdio>

namespace demonet {

namespace {

void WriteEndpoint(const IpxEndpoint& endpoint, std::uint8_t* out) {
    std::copy(endpoint.network.begin(), endpoint.network.end(), out);
    std::copy(endpoint.node.begin(), endpoint.node.end(), out + 4);
    PutBigEndian16(out + 10, endpoint.socket);
}

IpxEndpoint ReadEndpoint(const std::uint8_t* in) {
    IpxEndpoint endpoint;
    std::copy(in, in + 4, endpoint.network.begin());
    std::copy(in + 4, in + 10, endpoint.node.begin());
    endpoint.socket = GetBigEndian16(in + 10);
    return endpoint;
}

}  // namespace

std::string NetworkText(const IpxNetwork& network) {
    char text[9] = {};
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X", network[0], network[1], network[2], network[3]);
    return text;
}

std::string NodeText(const IpxNode& node) {
    char text[13] = {};
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", node[0], node[1], node[2], node[3], node[4],
                  node[5]);
    return text;
}

void PutBigEndian16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value >> 8);
    out[1] = static_cast<std::uint8_t>(value & 0xFF);
}

std::uint16_t GetBigEndian16(const std::uint8_t* in) {
    return static_cast<std::uint16_t>((in[0] << 8) | in[1]);
}

void WriteIpxHeader(const IpxHeader& header, std::span<std::uint8_t, kIpxHeaderSize> out) {
    PutBigEndian16(out.data(), header.checksum);
    PutBigEndian16(out.data() + 2, header.length);
    out[4] = header.transportControl;
    out[5] = header.packetType;
    WriteEndpoint(header.destination, out.data() + 6);
    WriteEndpoint(header.source, out.data() + 18);
}

IpxHeader ReadIpxHeader(std::span<const std::uint8_t, kIpxHeaderSize> in) {
    IpxHeader header;
    header.checksum = GetBigEndian16(in.data());
    header.length = GetBigEndian16(in.data() + 2);
    header.transportControl = in[4];
    header.packetType = in[5];
    header.destination = ReadEndpoint(in.data() + 6);
    header.source = ReadEndpoint(in.data() + 18);
    return header;
}

}  // namespace demonet
