#include <gtest/gtest.h>

#include <string>

#include "sap/SapDatagram.h"
#include "tests/sap/SapBuffer.h"

namespace {

struct DecodeCase {
    const char* what;
    SapSlotSpec slot;
    const char* typeText;
    const char* addressText;
    const char* hopsText;
};

class DecodeSlotTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeSlotTest, GivesTheThreeTexts) {
    const DecodeCase& c = GetParam();
    SapBuffer buffer{};
    WriteSlot(buffer, 0, c.slot);
    const sap::DecodedEntry entry = sap::DecodeSlot(sap::SlotAt(buffer.data(), 0));
    EXPECT_EQ(entry.name, c.slot.name);
    EXPECT_EQ(entry.type, c.slot.type);
    EXPECT_EQ(entry.hops, c.slot.hops);
    EXPECT_EQ(sap::TypeText(entry.type), c.typeText);
    EXPECT_EQ(sap::AddressText(entry), c.addressText);
    EXPECT_EQ(sap::AddressText(entry).size(), sap::kAddressTextLength);
    EXPECT_EQ(sap::HopsText(entry.hops), c.hopsText);
}

INSTANTIATE_TEST_SUITE_P(
    Slots, DecodeSlotTest,
    ::testing::Values(
        DecodeCase{"file server", {"FS1", 4, {0, 0, 0, 1}, {0, 0, 0, 0, 0, 1}, 0x0451, 1},
                   "0004", "00000001:000000000001:0451", "1"},
        DecodeCase{"largest type, unreachable", {"X", 0xFFFF, {0xDE, 0xAD, 0xBE, 0xEF},
                   {0x00, 0x1B, 0x21, 0xA0, 0xB0, 0xC0}, 0xFFFF, 16},
                   "FFFF", "DEADBEEF:001B21A0B0C0:FFFF", "16"},
        // Network and node bytes print in the order received, never swapped.
        DecodeCase{"byte order", {"Y", 0x0278, {0x12, 0x34, 0x56, 0x78},
                   {0x01, 0x02, 0x03, 0x04, 0x05, 0x06}, 0x4000, 0x0102},
                   "0278", "12345678:010203040506:4000", "258"},
        DecodeCase{"largest hops", {"Z", 0x026B, {0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, 0, 65535},
                   "026B", "00000000:000000000000:0000", "65535"}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(SlotName, FortySevenCharactersAndNulIsTakenWhole) {
    const std::string name(47, 'N');
    SapBuffer buffer{};
    WriteSlot(buffer, 3, {name});
    EXPECT_EQ(sap::SlotName(sap::SlotAt(buffer.data(), 3)), name);
}

TEST(SlotName, FieldWithoutNulIsBoundedByTheField) {
    SapBuffer buffer{};
    buffer.fill('A');  // no NUL anywhere: the read must stop at the 48-byte field
    EXPECT_EQ(sap::SlotName(sap::SlotAt(buffer.data(), 6)), std::string(48, 'A'));
}

TEST(SlotName, EmptyWhenFirstByteIsNul) {
    SapBuffer buffer{};
    WriteSlot(buffer, 0, {"", 4});
    EXPECT_TRUE(sap::SlotName(sap::SlotAt(buffer.data(), 0)).empty());
}

}  // namespace
