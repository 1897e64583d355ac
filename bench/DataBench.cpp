#include "bench/DataBench.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "bench/BenchReport.h"
#include "framework/ListCtrl.h"
#include "SapGathering.h"
#include "StopSignal.h"
#include "sap/ServiceTable.h"

namespace {

// Drains the capture through the library, as the report command gathers;
// returns datagrams and counts the entries offered to the table.
long DrainCapture(const std::string& capturePath, CListCtrl& list, int& count, long& entries) {
    setenv("TOLVSIPX", ("file:" + capturePath).c_str(), 1);
    sap::ServiceTable<CListCtrl> table(list, count);
    long datagrams = 0;
    const tools::StopSignal stop;
    report::GatherLimits limits;
    limits.untilCaptureEnd = true;
    const report::GatherResult result = report::GatherSap(limits, stop, [&](const std::uint8_t* buffer) {
        ++datagrams;
        for (std::size_t k = 0; k < sap::kSlotCount; ++k)
            if (!sap::SlotName(sap::SlotAt(buffer, k)).empty()) ++entries;
        return table.Scan(buffer);
    });
    return result.end == report::GatherEnd::Finished ? datagrams : -1;
}

std::unique_ptr<CListCtrl> NewList() {
    auto list = std::make_unique<CListCtrl>();
    list->Create(WS_CHILD | LVS_REPORT, CRect(0, 0, 400, 300), nullptr, 1000);
    for (int column = 0; column < 4; ++column) list->InsertColumn(column, "c", LVCFMT_LEFT, 50);
    return list;
}

}  // namespace

void MeasureDataPath(const std::string& capturePath) {
    long datagrams = 0, entries = 0;
    int rows = 0;
    const double seconds = MedianSeconds(3, [&] {
        auto list = NewList();
        int count = 0;
        entries = 0;
        datagrams = DrainCapture(capturePath, *list, count, entries);
        rows = count;
        sap::ServiceTable<CListCtrl>(*list, count).Clear();
    });
    PrintFigure("data.datagrams_per_s", datagrams / seconds, "datagrams/s");
    PrintFigure("data.ns_per_entry", entries ? seconds * 1e9 / entries : 0, "ns");
    PrintFigure("data.rows", rows, "rows");
}

void MeasureSortAndClear(int rows, const std::string& label) {
    auto list = NewList();
    int count = 0;
    sap::ServiceTable<CListCtrl> table(*list, count);
    std::array<std::uint8_t, sap::kSlotSize> slot{};
    for (int i = 0; i < rows; ++i) {
        char name[48];
        std::snprintf(name, sizeof name, "SVC-%08X-%d", static_cast<unsigned>(i * 2654435761u), i);
        slot.fill(0);
        std::memcpy(slot.data() + 2, name, std::strlen(name));
        slot[0] = static_cast<std::uint8_t>(i >> 8);
        slot[1] = static_cast<std::uint8_t>(i * 7);
        slot[52] = static_cast<std::uint8_t>(i * 13);
        slot[59] = static_cast<std::uint8_t>(i);
        slot[63] = static_cast<std::uint8_t>(i % 17);
        table.Add(slot.data());
    }
    double worst = 0;
    for (int column = 0; column < 4; ++column) {
        const double seconds = MedianSeconds(3, [&] { table.Sort(column); });
        PrintFigure("sort." + label + "column" + std::to_string(column) + "_ms", seconds * 1e3, "ms");
        worst = std::max(worst, seconds);
    }
    PrintFigure("sort." + label + "max_ms", worst * 1e3, "ms");
    const double start = NowSeconds();
    table.Clear();
    PrintFigure("clear." + label + "ms", (NowSeconds() - start) * 1e3, "ms");
}
