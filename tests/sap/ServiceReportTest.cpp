#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sap/ServiceReport.h"

namespace {

const std::string kHeader =
    "Service SAP Name                                   Type    Service SAP Address           "
    "Hops";
const std::string kRule =
    "------------------------------------------------   ----    -------------------------    "
    "----";

std::string Report(const std::vector<ServiceItem>& items, int count) {
    std::vector<const ServiceItem*> rows;
    for (const ServiceItem& item : items) rows.push_back(&item);
    return sap::FormatReport(rows, count);
}

TEST(ServiceReport, OneRowByteForByte) {
    const std::string expected = kHeader + "\r\n" + kRule + "\r\n" + "FS1" + std::string(44, ' ') +
                                 "    0004    00000001:000000000001:0451    01\r\n" +
                                 "\r\n\r\nObject Count: 1";
    EXPECT_EQ(Report({{"FS1", 4, "00000001:000000000001:0451", 1}}, 1), expected);
}

TEST(ServiceReport, HeaderAndRuleGeometry) {
    EXPECT_EQ(kRule.size(), 92u);
    EXPECT_EQ(kHeader.find("Hops"), 89u);  // column 90, counting from 1
    const std::string empty = Report({}, 0);
    EXPECT_EQ(empty, kHeader + "\r\n" + kRule + "\r\n\r\n\r\nObject Count: 0");
}

struct LineCase {
    const char* what;
    ServiceItem item;
    std::string line;
};

TEST(ServiceReport, DataLines) {
    const std::string addr = "0000000A:000000000001:E885";
    const LineCase cases[] = {
        {"47 characters fill the column", {std::string(47, 'N'), 0x0640, addr, 16},
         std::string(47, 'N') + "    0640    " + addr + "    16"},
        {"48 characters are cut to 47", {std::string(47, 'N') + "X", 0x064E, addr, 1},
         std::string(47, 'N') + "    064E    " + addr + "    01"},
        {"hops 65535 widens the column", {"S", 0xFFFF, addr, 65535},
         "S" + std::string(46, ' ') + "    FFFF    " + addr + "    65535"},
        {"control bytes cannot break the line", {"A\r\nB\tC\x7F", 4, addr, 3},
         "A..B.C." + std::string(40, ' ') + "    0004    " + addr + "    03"},
        {"8-bit text is kept", {"CAF\xC9", 4, addr, 0},
         "CAF\xC9" + std::string(43, ' ') + "    0004    " + addr + "    00"},
    };
    for (const LineCase& c : cases) EXPECT_EQ(sap::FormatReportLine(c.item), c.line) << c.what;
}

TEST(ServiceReport, RowsInTheOrderGiven) {
    const std::string addr = "00000001:000000000001:0451";
    const std::string report = Report({{"B", 4, addr, 1}, {"A", 4, addr, 1}}, 2);
    EXPECT_LT(report.find("\r\nB "), report.find("\r\nA "));
    EXPECT_TRUE(report.ends_with("\r\n\r\n\r\nObject Count: 2"));
}

}  // namespace
