// Writes small seed corpora for the fuzz targets, built with the capture
// writer: zorvik_fuzz_seeds OUTDIR makes OUTDIR/<target>/seed-N files.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "CapturePackets.h"
#include "PcapWriter.h"

namespace {

namespace cw = zorvik::capwrite;
namespace fs = std::filesystem;

// Matches the link type selector of the frame fuzzer.
enum Selector : std::uint8_t { kEthernet = 0, kSll = 1, kSll2 = 2, kBare = 3 };

bool writeFile(const fs::path& path, const cw::Bytes& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

cw::ServiceEntry entry(const std::string& name, std::uint16_t type, std::uint16_t hops)
{
    cw::ServiceEntry e;
    e.name = name;
    e.type = type;
    e.hops = hops;
    e.network[3] = 0x01;
    e.node[5] = 0x42;
    e.socket = 0x8060;
    return e;
}

std::vector<cw::Bytes> sapPayloads()
{
    return {
        cw::sapResponse({entry("FILESERVER", 4, 1), entry("printq", 3, 2)}),
        cw::sapResponse({entry(std::string(48, 'N'), 0x0278, 15)}),  // a name with no NUL
        cw::sapResponse({entry("A", 4, 1), entry("a", 4, 1), entry("B", 7, 3), entry("C", 0x26B, 1),
                         entry("D", 1, 1), entry("E", 2, 2), entry("F", 3, 3)}),
        cw::sapQuery(4),
    };
}

cw::Bytes ipxOf(const cw::Bytes& payload)
{
    return cw::ipxPacket(cw::sapBroadcast(), {}, 4, payload);
}

cw::Bytes withSelector(std::uint8_t selector, const cw::Bytes& frame)
{
    cw::Bytes out{selector};
    out.insert(out.end(), frame.begin(), frame.end());
    return out;
}

std::vector<cw::Bytes> frameSeeds()
{
    std::vector<cw::Bytes> seeds;
    const auto payloads = sapPayloads();
    for (const cw::Framing framing :
         {cw::Framing::EthernetII, cw::Framing::Raw8023, cw::Framing::Llc8022, cw::Framing::Snap}) {
        seeds.push_back(withSelector(kEthernet, cw::ethernetFrame(framing, ipxOf(payloads[0]))));
        seeds.push_back(withSelector(kEthernet, cw::ethernetFrame(framing, ipxOf(payloads[1]), {5, 7})));
        seeds.push_back(withSelector(kSll, cw::cookedFrame(cw::kLinkLinuxSll, framing, ipxOf(payloads[0]))));
        seeds.push_back(withSelector(kSll2, cw::cookedFrame(cw::kLinkLinuxSll2, framing, ipxOf(payloads[2]))));
    }
    seeds.push_back(withSelector(kBare, ipxOf(payloads[2])));
    seeds.push_back(withSelector(kBare, ipxOf(payloads[3])));
    return seeds;
}

// A datagram record of the tunnel fuzzer: sender, length, bytes.
void addDatagram(cw::Bytes& out, bool stranger, const cw::Bytes& datagram)
{
    out.push_back(stranger ? 1 : 0);
    out.push_back(static_cast<std::uint8_t>(datagram.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(datagram.size()));
    out.insert(out.end(), datagram.begin(), datagram.end());
}

std::vector<cw::Bytes> tunnelSeeds()
{
    // The node the fuzzer's hub assigns.
    cw::IpxEndpoint us{};
    const std::uint8_t node[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
    std::copy(node, node + 6, us.node);
    cw::IpxEndpoint usEcho = us;
    usEcho.socket = 2;
    cw::IpxEndpoint peer{};
    peer.node[5] = 0x77;
    peer.socket = 0x4000;
    cw::IpxEndpoint pingAll = cw::sapBroadcast();
    pingAll.socket = 2;
    cw::IpxEndpoint peerEcho = peer;
    peerEcho.socket = 2;
    cw::IpxEndpoint toUs = us;
    toUs.socket = 0x0452;

    const auto payloads = sapPayloads();
    std::vector<cw::Bytes> seeds(4);
    addDatagram(seeds[0], false, cw::ipxPacket(cw::sapBroadcast(), peer, 4, payloads[0]));
    addDatagram(seeds[0], false, cw::ipxPacket(toUs, peer, 4, payloads[2]));
    addDatagram(seeds[1], false, cw::ipxPacket(pingAll, peerEcho, 0, {}));  // a ping
    addDatagram(seeds[1], false, cw::ipxPacket(usEcho, usEcho, 0, {}));     // our keepalive back
    addDatagram(seeds[2], true, cw::ipxPacket(cw::sapBroadcast(), peer, 4, payloads[1]));
    addDatagram(seeds[3], false, cw::ipxPacket(cw::sapBroadcast(), us, 4, payloads[3]));
    return seeds;
}

bool captureSeed(const fs::path& path, int linkType, const std::vector<cw::Bytes>& frames)
{
    cw::PcapWriter writer;
    if (!writer.open(path.string(), linkType))
        return false;
    std::uint64_t time = 1000;
    for (const cw::Bytes& frame : frames)
        writer.write(time++, frame.data(), frame.size());
    return writer.close();
}

bool captureSeeds(const fs::path& dir)
{
    const auto payloads = sapPayloads();
    const cw::Bytes ipx = ipxOf(payloads[0]);
    return captureSeed(dir / "seed-0", cw::kLinkEthernet,
                       {cw::ethernetFrame(cw::Framing::EthernetII, ipx),
                        cw::ethernetFrame(cw::Framing::Snap, ipxOf(payloads[2]), {3})}) &&
           captureSeed(dir / "seed-1", cw::kLinkLinuxSll, {cw::cookedFrame(cw::kLinkLinuxSll, cw::Framing::Raw8023, ipx)}) &&
           captureSeed(dir / "seed-2", cw::kLinkLinuxSll2,
                       {cw::cookedFrame(cw::kLinkLinuxSll2, cw::Framing::Llc8022, ipx)});
}

std::vector<cw::Bytes> reportSeeds()
{
    cw::Bytes row{10};
    for (char c : std::string("FILESERVER"))
        row.push_back(static_cast<std::uint8_t>(c));
    const cw::Bytes rest = {0x00, 0x04, 0x00, 0x01, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x42, 0x04, 0x51};
    row.insert(row.end(), rest.begin(), rest.end());
    cw::Bytes odd{48};
    for (int i = 0; i < 48; ++i)
        odd.push_back(static_cast<std::uint8_t>(i % 2 ? 0x0D : 0xE9));
    odd.insert(odd.end(), rest.begin(), rest.end());
    cw::Bytes both = row;
    both.insert(both.end(), odd.begin(), odd.end());
    return {row, odd, both};
}

bool writeAll(const fs::path& dir, const std::vector<cw::Bytes>& seeds)
{
    for (std::size_t i = 0; i < seeds.size(); ++i)
        if (!writeFile(dir / ("seed-" + std::to_string(i)), seeds[i]))
            return false;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    std::error_code error;
    for (const char* target : {"fuzz_frame_sap", "fuzz_dosbox_tunnel", "fuzz_capture_file", "fuzz_report"})
        fs::create_directories(out / target, error);
    const bool ok = writeAll(out / "fuzz_frame_sap", frameSeeds()) &&
                    writeAll(out / "fuzz_dosbox_tunnel", tunnelSeeds()) && captureSeeds(out / "fuzz_capture_file") &&
                    writeAll(out / "fuzz_report", reportSeeds());
    if (!ok) {
        std::perror("writing seeds");
        return 1;
    }
    return 0;
}
