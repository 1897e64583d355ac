// The report format on arbitrary rows: names of any bytes (up to 48), any
// type and hop count, any address. Every line must stay one line, and the
// columns before the hop count must keep their widths.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sap/SapDatagram.h"
#include "sap/ServiceItem.h"
#include "sap/ServiceReport.h"

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool empty() const { return m_at >= m_size; }
    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::uint16_t word() { return static_cast<std::uint16_t>((byte() << 8) | byte()); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// Name, type, hops and the address column up to the hop count.
constexpr std::size_t kWidthBeforeHops = 47 + 4 + 4 + 4 + 26 + 4;

}  // namespace

// Input: rows of [name length][name bytes][type 2][hops 2][network 4][node 6][socket 2].
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Reader in(data, size);
    std::vector<ServiceItem> items;
    while (!in.empty() && items.size() < 64) {
        ServiceItem item;
        const std::size_t nameLength = in.byte() % (sap::kNameFieldSize + 1);
        for (std::size_t i = 0; i < nameLength; ++i)
            item.name.push_back(static_cast<char>(in.byte()));
        item.type = in.word();
        item.hops = in.word();
        sap::DecodedEntry entry;
        for (auto& b : entry.network)
            b = in.byte();
        for (auto& b : entry.node)
            b = in.byte();
        entry.socket = in.word();
        item.address = sap::AddressText(entry);
        check(item.address.size() == sap::kAddressTextLength, "address text not 26 characters");
        items.push_back(std::move(item));
    }

    std::vector<const ServiceItem*> rows;
    for (const ServiceItem& item : items) {
        rows.push_back(&item);
        const std::string line = sap::FormatReportLine(item);
        check(line.find_first_of("\r\n") == std::string::npos, "line break inside a report line");
        check(line.size() >= kWidthBeforeHops + 2, "report line too short");
        for (std::size_t i = 0; i < kWidthBeforeHops; ++i)
            check(line[i] != '\0', "NUL inside a report line");
    }
    const std::string report = sap::FormatReport(rows, static_cast<int>(rows.size()));
    // Header, rule, one line per row, two empty lines, the count.
    std::size_t breaks = 0;
    for (std::size_t at = report.find("\r\n"); at != std::string::npos; at = report.find("\r\n", at + 2))
        ++breaks;
    check(breaks == rows.size() + 4, "report has the wrong number of lines");
    return 0;
}
