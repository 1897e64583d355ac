// The report's list control under the service table: newest first, names found
// ignoring case, and the name index still right after a sort.

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ReportList.h"
#include "sap/SapDatagram.h"
#include "sap/ServiceTable.h"

namespace {

// One SAP response buffer with the given names (type = position + 1, hops = 9 - position).
std::vector<std::uint8_t> Buffer(const std::vector<std::string>& names) {
    std::vector<std::uint8_t> buffer(sap::kReceiveBufferSize, 0);
    buffer[1] = 2;
    for (std::size_t k = 0; k < names.size(); ++k) {
        std::uint8_t* slot = buffer.data() + sap::kOperationSize + k * sap::kSlotSize;
        slot[1] = static_cast<std::uint8_t>(k + 1);
        std::memcpy(slot + 2, names[k].data(), names[k].size());
        slot[63] = static_cast<std::uint8_t>(9 - k);
    }
    return buffer;
}

std::vector<std::string> Names(const report::ReportList& list) {
    std::vector<std::string> names;
    for (int row = 0; row < list.GetItemCount(); ++row) names.push_back(list.Text(row, 0));
    return names;
}

TEST(ReportList, RowsNewestFirstAndNamesFoundIgnoringCaseBeforeAndAfterSort) {
    report::ReportList list;
    int count = 0;
    sap::ServiceTable<report::ReportList> table(list, count);
    ASSERT_TRUE(table.Scan(Buffer({"beta", "Alpha", "DELTA"}).data()));
    ASSERT_TRUE(table.Scan(Buffer({"ALPHA", "gamma", "delta", "Beta"}).data()));

    EXPECT_EQ(count, 4);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"gamma", "DELTA", "Alpha", "beta"}));
    EXPECT_EQ(list.FindItemNoCase("ALPHA"), 2);
    EXPECT_EQ(list.FindItemNoCase("Gamma"), 0);
    EXPECT_EQ(list.FindItemNoCase("gamm"), -1);
    EXPECT_EQ(list.Text(0, 1), "0002");  // gamma was the second slot
    EXPECT_EQ(list.Text(3, 3), "9");

    table.Sort(0);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"Alpha", "beta", "DELTA", "gamma"}));
    for (const char* name : {"alpha", "BETA", "delta", "GAMMA"}) {
        const int row = list.FindItemNoCase(name);
        ASSERT_GE(row, 0) << name;
        EXPECT_EQ(Names(list)[static_cast<std::size_t>(row)].size(), std::strlen(name));
        EXPECT_EQ(table.RecordAt(row)->name, list.Text(row, 0)) << "row data and texts moved together";
    }
    // A later name goes on top of the sorted rows and is found there.
    ASSERT_TRUE(table.Scan(Buffer({"epsilon", "Beta"}).data()));
    EXPECT_EQ(list.FindItemNoCase("EPSILON"), 0);
    EXPECT_EQ(list.FindItemNoCase("beta"), 2);
    table.Clear();
    EXPECT_EQ(list.FindItemNoCase("beta"), -1);
    EXPECT_EQ(count, 0);
}

TEST(ReportList, SortKeepsEqualRowsInDisplayOrder) {
    report::ReportList list;
    int count = 0;
    sap::ServiceTable<report::ReportList> table(list, count);
    // All with type 1: sorting by type must leave them newest first.
    ASSERT_TRUE(table.Scan(Buffer({"one"}).data()));
    ASSERT_TRUE(table.Scan(Buffer({"two"}).data()));
    ASSERT_TRUE(table.Scan(Buffer({"three"}).data()));
    table.Sort(1);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"three", "two", "one"}));
    table.ReleaseRecords();
}

}  // namespace
