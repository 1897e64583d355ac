#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sap/ServiceTable.h"
#include "tests/sap/InMemoryList.h"
#include "tests/sap/SapBuffer.h"

namespace {

class ServiceTableTest : public ::testing::Test {
protected:
    ~ServiceTableTest() override { m_table.ReleaseRecords(); }

    // Scans one datagram whose slots carry the given entries.
    bool Receive(const std::vector<SapSlotSpec>& slots) {
        for (std::size_t k = 0; k < slots.size(); ++k) WriteSlot(m_buffer, k, slots[k]);
        return m_table.Scan(m_buffer.data());
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < m_list.GetItemCount(); ++i) names.push_back(m_list.Text(i, 0));
        return names;
    }

    SapBuffer m_buffer{};  // reused without clearing, as the gathering run does
    InMemoryList m_list;
    int m_nServiceCount = 0;
    sap::ServiceTable<InMemoryList> m_table{m_list, m_nServiceCount};
};

TEST_F(ServiceTableTest, AllZeroBufferAddsNothing) {
    EXPECT_TRUE(m_table.Scan(m_buffer.data()));
    EXPECT_EQ(m_list.GetItemCount(), 0);
    EXPECT_EQ(m_nServiceCount, 0);
}

TEST_F(ServiceTableTest, NewestNameIsOnTopWithItsTexts) {
    ASSERT_TRUE(Receive({{"A"}, {"B"}, {"C", 0x0278, {0, 0, 0, 2}, {0, 0, 0, 0, 0, 9}, 0x4000, 3}}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(m_list.Text(0, 1), "0278");
    EXPECT_EQ(m_list.Text(0, 2), "00000002:000000000009:4000");
    EXPECT_EQ(m_list.Text(0, 3), "3");
    const ServiceItem* record = m_table.RecordAt(0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->name, "C");
    EXPECT_EQ(record->type, 0x0278u);
    EXPECT_EQ(record->address, "00000002:000000000009:4000");
    EXPECT_EQ(record->hops, 3);
    EXPECT_EQ(m_nServiceCount, 3);
}

TEST_F(ServiceTableTest, FirstAdvertisementOfANameFixesItsRow) {
    ASSERT_TRUE(Receive({{"FS1", 0x0004, {0, 0, 0, 1}, {0, 0, 0, 0, 0, 1}, 0x0451, 1}}));
    // The same name in another case, another type and another hop count.
    ASSERT_TRUE(Receive({{"fs1", 0x0278, {0, 0, 0, 1}, {0, 0, 0, 0, 0, 1}, 0x0451, 16}}));
    ASSERT_EQ(m_list.GetItemCount(), 1);
    EXPECT_EQ(m_list.Text(0, 0), "FS1");
    EXPECT_EQ(m_list.Text(0, 1), "0004");
    EXPECT_EQ(m_list.Text(0, 3), "1");
    EXPECT_EQ(m_nServiceCount, 1);
}

TEST_F(ServiceTableTest, ShortDatagramAfterFullOneAddsOnlyItsOwnEntry) {
    ASSERT_TRUE(Receive({{"S0"}, {"S1"}, {"S2"}, {"S3"}, {"S4"}, {"S5"}, {"S6"}}));
    // Slots 1 to 6 still hold the earlier datagram's entries.
    ASSERT_TRUE(Receive({{"NEW"}}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"NEW", "S6", "S5", "S4", "S3", "S2", "S1", "S0"}));
    EXPECT_EQ(m_nServiceCount, 8);
}

TEST_F(ServiceTableTest, SortOrdersEachColumnAscending) {
    ASSERT_TRUE(Receive({{"Beta", 0x0003, {0, 0, 0, 2}, {0, 0, 0, 0, 0, 1}, 1, 10},
                         {"AAB", 0x0004, {0, 0, 0, 1}, {0, 0, 0, 0, 0, 2}, 1, 2},
                         {"alpha", 0x0007, {0, 0, 0, 1}, {0, 0, 0, 0, 0, 1}, 1, 0},
                         {"A_B", 0x0278, {0, 0, 0, 3}, {0, 0, 0, 0, 0, 0}, 1, 16}}));
    struct Case {
        int column;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {0, {"A_B", "AAB", "alpha", "Beta"}},  // folded to lower case: '_' sorts before 'a'
        {1, {"Beta", "AAB", "alpha", "A_B"}},  // 0003, 0004, 0007, 0278
        {2, {"alpha", "AAB", "Beta", "A_B"}},  // network, then node, then socket
        {3, {"alpha", "AAB", "Beta", "A_B"}},  // 0, 2, 10, 16: numeric, not textual
    };
    for (const Case& c : cases) {
        for (int twice = 0; twice < 2; ++twice) {
            m_table.Sort(c.column);
            EXPECT_EQ(Names(), c.names) << "column " << c.column;
        }
    }
}

TEST_F(ServiceTableTest, RowAddedAfterSortLandsOnTop) {
    ASSERT_TRUE(Receive({{"B", 2}, {"A", 1}}));
    m_table.Sort(1);
    ASSERT_TRUE(Receive({{"C", 9}}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"C", "A", "B"}));
}

TEST_F(ServiceTableTest, ClearEmptiesRowsAndCount) {
    m_table.Clear();
    EXPECT_EQ(m_nServiceCount, 0);
    ASSERT_TRUE(Receive({{"A"}, {"B"}}));
    m_table.Clear();
    EXPECT_EQ(m_list.GetItemCount(), 0);
    EXPECT_EQ(m_nServiceCount, 0);
    // Cleared names are new again; slot 1 still holds B from the earlier datagram.
    ASSERT_TRUE(Receive({{"A"}}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(m_nServiceCount, 2);
}

TEST_F(ServiceTableTest, ReleasingTwiceFreesEachRecordOnce) {
    ASSERT_TRUE(Receive({{"A"}, {"B"}}));
    m_table.ReleaseRecords();
    m_table.ReleaseRecords();  // would be a double free if references stayed
    EXPECT_EQ(m_table.RecordAt(0), nullptr);
    m_list.DeleteAllItems();
}

ServiceItem* FailingAllocator() {
    return nullptr;
}

TEST_F(ServiceTableTest, OutOfMemoryAddsNoRowAndStopsTheScan) {
    ASSERT_TRUE(Receive({{"KEPT"}}));
    const sap::ServiceItemAllocator previous = sap::SetServiceItemAllocator(&FailingAllocator);
    const bool scanned = Receive({{"KEPT"}, {"LOST"}, {"ALSO"}});
    sap::SetServiceItemAllocator(previous);
    EXPECT_FALSE(scanned);
    EXPECT_EQ(Names(), (std::vector<std::string>{"KEPT"}));
    EXPECT_EQ(m_nServiceCount, 1);
}

TEST_F(ServiceTableTest, FailedRowInsertionFreesTheRecordAndReportsOutOfMemory) {
    m_list.FailInserts(true);
    EXPECT_FALSE(Receive({{"A"}}));
    EXPECT_EQ(m_list.GetItemCount(), 0);
    EXPECT_EQ(m_nServiceCount, 0);
}

}  // namespace
