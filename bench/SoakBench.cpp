// zorvik-soak [DATAGRAMS]: a long storm (default 5,000,000 SAP datagrams over
// 50,000 services) through the real main window, offscreen. Progress marks in
// the capture split the run into ten parts; for each it prints the resident
// memory and the throughput, so that growth or slowing over the run shows.
// Figures, not pass/fail.

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "StormGenerator.h"
#include "app/MonitorApp.h"
#include "bench/BenchReport.h"
#include "bench/BenchWindow.h"
#include "framework/MessageQueue.h"
#include "ui/ServiceListDialog.h"
#include "ui/res/resource.h"

CMonitorApp theApp;

namespace {

namespace cw = zorvik::capwrite;

constexpr int kParts = 10;

struct Point {
    double seconds = 0;
    long resident = 0;
    int rows = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    afx::InstallQueue();
    theApp.m_strAppName = "Zorvik";

    const long long datagrams = argc > 1 ? std::atoll(argv[1]) : 5000000;
    if (datagrams < kParts) {
        std::fprintf(stderr, "usage: zorvik-soak [DATAGRAMS]   (at least %d)\n", kParts);
        return 2;
    }
    char pattern[] = "/tmp/zorvik-soak-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;

    cw::StormOptions options;
    options.path = dir + "/soak.pcap";
    options.mixFramings = true;
    options.datagrams = static_cast<std::uint64_t>(datagrams);
    options.services = 50000;
    options.entries = 0;
    options.markEvery = options.datagrams / kParts;
    cw::StormSummary summary;
    std::string error;
    const double writeStart = NowSeconds();
    if (!cw::writeStorm(options, summary, error)) {
        std::fprintf(stderr, "zorvik-soak: cannot write the storm: %s\n", error.c_str());
        return 1;
    }
    PrintFigure("machine.cores", std::thread::hardware_concurrency(), "cores");
    PrintFigure("soak.datagrams", static_cast<double>(summary.frames), "datagrams");
    PrintFigure("soak.services", static_cast<double>(summary.distinctServices), "services");
    PrintFigure("soak.capture_write_s", NowSeconds() - writeStart, "s");

    setenv("TOLVSIPX", ("file:" + options.path).c_str(), 1);
    CServiceListDialog* main = NewMainWindow();
    std::vector<Point> points;  // the start, then one at each mark
    const std::size_t wanted = summary.marks + 1;
    points.reserve(wanted);
    const long residentBefore = CurrentResidentBytes();
    {
        QObject owner;
        Every(&owner, [&] {
            if (points.size() >= wanted) return;
            const std::string next = cw::stormMark(points.size());
            if (main->m_listServices.FindItemNoCase(next.c_str()) < 0) return;
            points.push_back({NowSeconds(), CurrentResidentBytes(), main->m_listServices.GetItemCount()});
            if (points.size() == wanted) main->PostMessage(WM_COMMAND, ID_STOP_GATHERING);
        });
        points.push_back({NowSeconds(), residentBefore, 0});
        main->OnStartGathering();
    }
    main->OnClose();
    CloseMainWindow(main);
    std::remove(options.path.c_str());
    rmdir(dir.c_str());

    if (points.size() < 2) {
        std::printf("soak: no progress mark arrived\n");
        return 1;
    }
    const double perPart = static_cast<double>(options.markEvery + 1);
    for (std::size_t i = 1; i < points.size(); ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "soak.part_%02zu", i);
        const double seconds = points[i].seconds - points[i - 1].seconds;
        PrintFigure(std::string(name) + ".datagrams_per_s", seconds > 0 ? perPart / seconds : 0, "datagrams/s");
        PrintFigure(std::string(name) + ".resident_bytes", static_cast<double>(points[i].resident), "bytes");
        PrintFigure(std::string(name) + ".rows", points[i].rows, "rows");
    }
    const double total = points.back().seconds - points.front().seconds;
    PrintFigure("soak.datagrams_per_s", total > 0 ? static_cast<double>(summary.frames) / total : 0, "datagrams/s");
    // After the first part every service is in: memory should stay flat from there.
    PrintFigure("soak.resident_growth_after_first_part",
                static_cast<double>(points.back().resident - points[1].resident), "bytes");
    // The first part also adds every row; from the second on, the work per
    // datagram is the same, so the throughput should be too.
    if (points.size() > 3) {
        const double second = points[2].seconds - points[1].seconds;
        const double last = points.back().seconds - points[points.size() - 2].seconds;
        PrintFigure("soak.last_over_second_part_throughput", last > 0 ? second / last : 0, "");
    }
    PrintFigure("memory.peak_resident_bytes", static_cast<double>(PeakResidentBytes()), "bytes");
    return 0;
}
