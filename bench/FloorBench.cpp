#include "bench/FloorBench.h"

#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>

#include <pcap/pcap.h>

#include "IpxFrame.h"
#include "bench/BenchReport.h"
#include "sap/SapDatagram.h"

namespace {

long ReadOnce(const std::string& capturePath, std::size_t& distinct) {
    char error[PCAP_ERRBUF_SIZE];
    pcap_t* capture = pcap_open_offline(capturePath.c_str(), error);
    if (!capture) return -1;
    const int linkType = pcap_datalink(capture);
    std::unordered_set<std::string_view> names;
    std::deque<std::string> storage;  // stable addresses for the views
    long datagrams = 0;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    while (pcap_next_ex(capture, &header, &data) == 1) {
        zorvik::ipx::IpxPacket packet;
        if (zorvik::ipx::parseFrame(linkType, {data, header->caplen}, packet) !=
                zorvik::ipx::FrameResult::Ipx ||
            packet.destination.socket != 0x0452)
            continue;
        ++datagrams;
        const std::uint8_t* payload = packet.payload.data();
        for (std::size_t k = 0; k < sap::kSlotCount; ++k) {
            const std::size_t at = sap::kOperationSize + k * sap::kSlotSize;
            if (at + sap::kSlotSize > packet.payload.size()) break;
            const std::string_view name = sap::SlotName(payload + at);
            if (!name.empty() && !names.contains(name)) {
                storage.emplace_back(name);
                names.insert(storage.back());
            }
        }
    }
    pcap_close(capture);
    distinct = names.size();
    return datagrams;
}

}  // namespace

double MeasureFloor(const std::string& capturePath, long& datagrams) {
    std::size_t distinct = 0;
    const double seconds = MedianSeconds(5, [&] { datagrams = ReadOnce(capturePath, distinct); });
    PrintFigure("floor.distinct_names", static_cast<double>(distinct), "names");
    return datagrams > 0 ? datagrams / seconds : 0;
}
