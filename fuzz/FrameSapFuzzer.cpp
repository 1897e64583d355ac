// A captured frame of any supported link type through the frame parser; an
// IPX payload then goes through the SAP scan into the service table, the way
// the library delivers it (450 bytes, zero-filled after the payload), and the
// table into the report.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "InMemoryList.h"
#include "IpxFrame.h"
#include "sap/SapDatagram.h"
#include "sap/ServiceReport.h"
#include "sap/ServiceTable.h"

namespace {

constexpr int kLinkTypes[] = {
    zorvik::ipx::kLinkTypeEthernet,
    zorvik::ipx::kLinkTypeLinuxSll,
    zorvik::ipx::kLinkTypeLinuxSll2,
    zorvik::ipx::kLinkTypeBareIpx,
};

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

// Input: one byte choosing the link type, then the frame.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace zorvik::ipx;
    if (size < 1)
        return 0;
    const int linkType = kLinkTypes[data[0] % (sizeof kLinkTypes / sizeof kLinkTypes[0])];
    const std::uint8_t* frameData = data + 1;
    const std::size_t frameSize = size - 1;

    IpxPacket packet;
    if (parseFrame(linkType, PacketBytes(frameData, frameSize), packet) != FrameResult::Ipx)
        return 0;
    const std::uint8_t* payload = packet.payload.data();
    const std::size_t payloadSize = packet.payload.size();
    check(packet.length >= kIpxHeaderLength, "IPX length below its header");
    check(payloadSize == packet.length - kIpxHeaderLength, "payload not trimmed to the IPX length");
    check(payloadSize == 0 || (payload >= frameData && payload + payloadSize <= frameData + frameSize),
          "payload outside the frame");

    std::uint8_t buffer[sap::kReceiveBufferSize] = {};
    std::memcpy(buffer, payload, payloadSize < sizeof buffer ? payloadSize : sizeof buffer);

    InMemoryList list;
    int count = 0;
    sap::ServiceTable<InMemoryList> table(list, count);
    check(table.Scan(buffer), "scan reported out of memory");
    check(count == table.RowCount(), "count differs from the rows");
    const auto records = table.RecordsInDisplayOrder();
    const std::string report = sap::FormatReport(records, count);
    check(!report.empty(), "empty report");
    table.Clear();
    return 0;
}
