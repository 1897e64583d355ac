#include "sap/ServiceReport.h"

#include <cstdio>

namespace sap {

namespace {

constexpr char kLineBreak[] = "\r\n";
constexpr char kRule[] =
    "------------------------------------------------   ----    "
    "-------------------------    ----";

// Control bytes in a name (a CR or LF above all) would break the report's
// lines; they are written as '.'. Bytes above 0x7F are ordinary 8-bit text.
std::string Printable(const std::string& text) {
    std::string printable(text);
    for (char& c : printable) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = '.';
    }
    return printable;
}

}  // namespace

std::string FormatReportLine(const ServiceItem& item) {
    char line[256];
    std::snprintf(line, sizeof line, "%-47.47s    %04X    %-26.26s    %02d",
                  Printable(item.name).c_str(), static_cast<unsigned>(item.type),
                  Printable(item.address).c_str(), static_cast<int>(item.hops));
    return line;
}

std::string FormatReport(std::span<const ServiceItem* const> rows, int serviceCount) {
    char line[256];
    std::string report;
    report.reserve(200 + rows.size() * 96);

    std::snprintf(line, sizeof line, "%-47.47s    Type    %-26.26s    Hops", "Service SAP Name",
                  "Service SAP Address");
    report += line;
    report += kLineBreak;
    report += kRule;
    report += kLineBreak;
    for (const ServiceItem* item : rows) {
        if (!item) continue;
        report += FormatReportLine(*item);
        report += kLineBreak;
    }
    report += kLineBreak;
    report += kLineBreak;
    std::snprintf(line, sizeof line, "Object Count: %d", serviceCount);
    report += line;
    return report;
}

}  // namespace sap
