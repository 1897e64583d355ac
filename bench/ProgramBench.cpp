#include "bench/ProgramBench.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <QObject>
#include <pcap/pcap.h>

#include "CapturePackets.h"
#include "PcapWriter.h"
#include "bench/BenchReport.h"
#include "bench/BenchWindow.h"
#include "framework/WinApp.h"
#include "ui/ServiceListDialog.h"
#include "ui/res/resource.h"

namespace cw = zorvik::capwrite;

bool WriteMarkedCapture(const std::string& source, const std::string& marked) {
    char error[PCAP_ERRBUF_SIZE];
    pcap_t* in = pcap_open_offline(source.c_str(), error);
    if (!in) return false;
    if (pcap_datalink(in) != DLT_EN10MB) {
        pcap_close(in);
        return false;
    }
    cw::PcapWriter out;
    if (!out.open(marked, cw::kLinkEthernet)) return false;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    std::uint64_t time = 0;
    while (pcap_next_ex(in, &header, &data) == 1) {
        time = static_cast<std::uint64_t>(header->ts.tv_sec) * 1000000u + header->ts.tv_usec;
        out.write(time, data, header->caplen);
    }
    pcap_close(in);
    cw::ServiceEntry end;
    end.name = kEndMarker;
    cw::IpxEndpoint from;
    from.socket = cw::kSapSocket;
    const cw::Bytes frame = cw::ethernetFrame(
        cw::Framing::EthernetII, cw::ipxPacket(cw::sapBroadcast(), from, 4, cw::sapResponse({end})));
    out.write(time + 1, frame.data(), frame.size());
    return out.close();
}

double MeasureProgram(const std::string& marked, long datagrams) {
    setenv("TOLVSIPX", ("file:" + marked).c_str(), 1);
    const long residentBefore = CurrentResidentBytes();
    int rows = 0;
    long residentAfter = 0;
    const double seconds = MedianSeconds(3, [&] {
        CServiceListDialog* main = NewMainWindow();
        QObject owner;
        When(&owner, [main] { return main->m_listServices.FindItemNoCase(kEndMarker) >= 0; },
             [main] { main->PostMessage(WM_COMMAND, ID_STOP_GATHERING); });
        main->OnStartGathering();
        rows = main->m_listServices.GetItemCount() - 1;
        residentAfter = CurrentResidentBytes();
        main->OnClose();
        CloseMainWindow(main);
    });
    PrintFigure("program.rows", rows, "rows");
    PrintFigure("memory.peak_resident_bytes", static_cast<double>(PeakResidentBytes()), "bytes");
    if (rows > 0)
        PrintFigure("memory.bytes_per_row", static_cast<double>(residentAfter - residentBefore) / rows,
                    "bytes");
    return datagrams / seconds;
}

void MeasureStopLatency(const std::string& marked) {
    setenv("TOLVSIPX", ("file:" + marked).c_str(), 1);
    std::vector<double> latencies;
    for (int point = 1; point <= 5; ++point) {
        CServiceListDialog* main = NewMainWindow();
        QObject owner;
        double posted = 0;
        const int atRows = point * 5000;
        When(&owner, [main, atRows] { return main->m_listServices.GetItemCount() >= atRows; },
             [main, &posted] {
                 posted = NowSeconds();
                 main->PostMessage(WM_COMMAND, ID_STOP_GATHERING);
             });
        main->OnStartGathering();
        if (posted > 0) latencies.push_back((NowSeconds() - posted) * 1e3);
        main->OnClose();
        CloseMainWindow(main);
    }
    if (latencies.empty()) return;
    std::sort(latencies.begin(), latencies.end());
    PrintFigure("latency.median_ms", latencies[latencies.size() / 2], "ms");
    PrintFigure("latency.max_ms", latencies.back(), "ms");
}
