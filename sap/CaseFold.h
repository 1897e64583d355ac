#pragma once

#include <string_view>

namespace sap {

// Case-insensitive ordering of 8-bit texts: A-Z fold to a-z, then bytes compare
// as unsigned values. So the punctuation between 'Z' and 'a' ([ \ ] ^ _ `)
// sorts before every letter: "A_B" < "AAB".
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace sap
