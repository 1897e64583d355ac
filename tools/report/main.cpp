// zorvik-report: gathers SAP services headless and writes the service report.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "ReportList.h"
#include "ReportOptions.h"
#include "SapGathering.h"
#include "StatusText.h"
#include "StopSignal.h"
#include "TransportConfig.h"
#include "sap/ServiceReport.h"
#include "sap/ServiceTable.h"
#include "ui/AtomicFileWriter.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitBadArguments = 2;

int BadArguments(const std::string& message) {
    std::fprintf(stderr, "zorvik-report: %s\nTry 'zorvik-report --help' for more information.\n", message.c_str());
    return kExitBadArguments;
}

bool ToStandardOutput(const std::string& output) { return output.empty() || output == "-"; }

// Refuses an output path that cannot be written before gathering, so that a
// long run is not lost at the end for a typo in the folder name.
bool CheckOutputWritable(const std::string& path, std::string& reason) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        reason = std::strerror(EISDIR);
        return false;
    }
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty()) folder = ".";
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

bool WriteStandardOutput(const std::string& bytes, std::string& reason) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    report::ReportOptions options;
    std::string error;
    if (!report::ParseReportOptions(std::vector<std::string>(argv + 1, argv + argc), options, error))
        return BadArguments(error);
    if (options.help) {
        std::fputs(report::ReportUsage(), stdout);
        return kExitOk;
    }
    if (options.transport && setenv("TOLVSIPX", options.transport->c_str(), 1) != 0) {
        std::fprintf(stderr, "zorvik-report: cannot set TOLVSIPX: %s\n", std::strerror(errno));
        return kExitFailure;
    }

    // Only a file: capture has an end the library can show; a paced replay
    // looks the same between two frames as after the last one.
    report::GatherLimits limits;
    limits.seconds = options.durationSeconds;
    const char* transport = std::getenv("TOLVSIPX");
    zorvik::ipx::TransportConfig config;
    if (zorvik::ipx::parseTransportConfig(transport, config)) {
        using Kind = zorvik::ipx::TransportConfig::Kind;
        limits.untilCaptureEnd = config.kind == Kind::File;
        if (!limits.seconds && config.kind != Kind::File) {
            const std::string shown = transport && *transport ? transport : "eth:any (TOLVSIPX unset)";
            return BadArguments(config.kind == Kind::Replay
                                    ? "--duration is required for " + shown +
                                          " (a paced replay shows no end; use file:PATH to read a capture to its end)"
                                    : "--duration is required for " + shown +
                                          " (only a file: capture ends by itself)");
        }
    }

    if (!ToStandardOutput(options.output) && !CheckOutputWritable(options.output, error)) {
        std::fprintf(stderr, "zorvik-report: cannot write %s: %s\n", options.output.c_str(), error.c_str());
        return kExitFailure;
    }

    report::ReportList list;
    int serviceCount = 0;
    sap::ServiceTable<report::ReportList> table(list, serviceCount);
    report::GatherResult result;
    {
        const tools::StopSignal stop;
        result = report::GatherSap(limits, stop, [&](const std::uint8_t* buffer) { return table.Scan(buffer); });
    }

    int exitCode = kExitOk;
    switch (result.end) {
        case report::GatherEnd::Finished:
            break;
        case report::GatherEnd::OpenFailed:
            // Nothing was gathered: an existing report stays as it was.
            std::fprintf(stderr, "zorvik-report: cannot open the SAP socket: %s\n",
                         report::DescribeStatus(result.status).c_str());
            return kExitFailure;
        case report::GatherEnd::TransportFailed:
            std::fprintf(stderr, "zorvik-report: gathering stopped (%s): %s; reporting the %d services gathered\n",
                         result.step, report::DescribeStatus(result.status).c_str(), serviceCount);
            exitCode = kExitFailure;
            break;
        case report::GatherEnd::OutOfMemory:
            std::fprintf(stderr,
                         "zorvik-report: Out of memory error - attempt to allocate space for item data failed!\n");
            exitCode = kExitFailure;
            break;
    }

    if (options.sortColumn >= 0) table.Sort(options.sortColumn);
    std::string bytes;
    try {
        const std::vector<const ServiceItem*> rows = table.RecordsInDisplayOrder();
        bytes = sap::FormatReport(rows, serviceCount);
    } catch (const std::bad_alloc&) {
        table.ReleaseRecords();
        std::fprintf(stderr, "zorvik-report: out of memory while formatting the report\n");
        return kExitFailure;
    }
    table.ReleaseRecords();

    if (ToStandardOutput(options.output)) {
        if (!WriteStandardOutput(bytes, error)) {
            std::fprintf(stderr, "zorvik-report: cannot write standard output: %s\n", error.c_str());
            return kExitFailure;
        }
    } else if (!WriteFileAtomically(options.output, bytes, error)) {
        std::fprintf(stderr, "zorvik-report: cannot write %s: %s\n", options.output.c_str(), error.c_str());
        return kExitFailure;
    }
    return exitCode;
}
