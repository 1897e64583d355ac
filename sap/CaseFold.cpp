#include "sap/CaseFold.h"

#include <algorithm>

namespace sap {

namespace {

unsigned char FoldByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

}  // namespace

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int diff = FoldByte(a[i]) - FoldByte(b[i]);
        if (diff != 0) return diff;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace sap
