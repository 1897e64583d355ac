#include "framework/Ansi.h"

namespace {

// 0x80 to 0x9F of Windows-1252; 0 marks the five unassigned bytes.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char16_t kReplacement = 0xFFFD;

char16_t Decode(unsigned char c, bool displayLine) {
    if (c >= 0x80 && c <= 0x9F) {
        const char16_t u = kHigh[c - 0x80];
        return u != 0 ? u : kReplacement;
    }
    if (displayLine && (c < 0x20 || c == 0x7F)) {
        return kReplacement;
    }
    return c;
}

QString Convert(std::string_view text, bool displayLine) {
    QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* p = out.data();
    for (unsigned char c : text) {
        *p++ = QChar(Decode(c, displayLine));
    }
    return out;
}

}  // namespace

namespace afx {

QString AnsiToQString(std::string_view text) { return Convert(text, false); }

QString AnsiToDisplayLine(std::string_view text) { return Convert(text, true); }

std::string QStringToAnsi(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i) {
            if (kHigh[i] == u && u != 0) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

}  // namespace afx
