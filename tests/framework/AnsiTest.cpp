#include <gtest/gtest.h>

#include "framework/Ansi.h"

TEST(Ansi, Windows1252DecodesAndListLinesNeverBreak) {
    struct Case {
        std::string bytes;
        QString plain;
        QString line;
    };
    const Case cases[] = {
        {"SERVER_1", "SERVER_1", "SERVER_1"},
        {"\x80\x99\xE9", QString::fromUtf8("€™é"), QString::fromUtf8("€™é")},
        {std::string("a\nb\x7F", 4), QString("a\nb") + QChar(0x7F), QString::fromUtf8("a\uFFFDb\uFFFD")},
        {std::string("x\0y", 3), QString("x") + QChar(0) + "y", QString::fromUtf8("x\uFFFDy")},
        {"\x81", QString(QChar(0xFFFD)), QString(QChar(0xFFFD))},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(afx::AnsiToQString(c.bytes), c.plain);
        EXPECT_EQ(afx::AnsiToDisplayLine(c.bytes), c.line);
        EXPECT_EQ(afx::AnsiToDisplayLine(c.bytes).size(), static_cast<qsizetype>(c.bytes.size()));
    }
    EXPECT_EQ(afx::QStringToAnsi(QString::fromUtf8("€é✓")), "\x80\xE9?");
}
