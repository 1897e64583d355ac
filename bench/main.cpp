// zorvik-bench [CAPTURE]: throughput of the floor, the service data and the
// whole program on one capture (default: a SAP storm written here), sorting,
// clearing, memory and command latency. One "NAME: VALUE UNIT" line each.

#include <QApplication>

#include <cstdio>
#include <string>
#include <thread>

#include <unistd.h>

#include "StormGenerator.h"
#include "app/MonitorApp.h"
#include "bench/BenchReport.h"
#include "bench/DataBench.h"
#include "bench/FloorBench.h"
#include "bench/ProgramBench.h"
#include "framework/MessageQueue.h"

CMonitorApp theApp;

namespace {

std::string WriteDefaultStorm(const std::string& dir) {
    zorvik::capwrite::StormOptions options;
    options.path = dir + "/storm.pcap";
    options.mixFramings = true;
    options.datagrams = 200000;
    options.services = 50000;
    options.entries = 0;  // 7 entries in 80 %, 1 to 6 in the rest
    zorvik::capwrite::StormSummary summary;
    std::string error;
    if (!zorvik::capwrite::writeStorm(options, summary, error)) {
        std::fprintf(stderr, "zorvik-bench: cannot write the storm: %s\n", error.c_str());
        return {};
    }
    return options.path;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    afx::InstallQueue();
    theApp.m_strAppName = "Zorvik";

    char pattern[] = "/tmp/zorvik-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = pattern;
    const std::string capture = argc > 1 ? argv[1] : WriteDefaultStorm(dir);
    if (capture.empty()) return 1;

    PrintFigure("machine.cores", std::thread::hardware_concurrency(), "cores");
    std::printf("capture: %s\n", capture.c_str());
    long datagrams = 0;
    const double floor = MeasureFloor(capture, datagrams);
    PrintFigure("floor.datagrams", static_cast<double>(datagrams), "datagrams");
    PrintFigure("floor.datagrams_per_s", floor, "datagrams/s");

    MeasureDataPath(capture);

    const std::string marked = dir + "/marked.pcap";
    if (WriteMarkedCapture(capture, marked)) {
        const double program = MeasureProgram(marked, datagrams);
        PrintFigure("program.datagrams_per_s", program, "datagrams/s");
        PrintFigure("program.floor_ratio", floor > 0 ? program / floor : 0, "");
        MeasureStopLatency(marked);
    } else {
        std::printf("program: skipped (the capture is not Ethernet or cannot be read)\n");
    }

    MeasureSortAndClear(100000, "");  // sort.max_ms, clear.ms at 100,000 rows
    std::remove(marked.c_str());
    if (argc <= 1) std::remove(capture.c_str());
    rmdir(dir.c_str());
    return 0;
}
