// Reading a whole number that the user typed into a number field.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zelvora {

// The signed 32-bit number that `text` holds, or nothing when it holds none. Leading blanks
// are skipped; then comes either an optional sign and decimal digits within the signed 32-bit
// range, or one to eight hexadecimal digits (either letter case) after "$", "x" or "0x"
// ("X" too), whose bits are read as a signed 32-bit number ("$FFFFFFFF" is -1). Nothing may
// follow the number, and an empty text holds none.
std::optional<int32_t> ToWholeNumber(std::string_view text);

}  // namespace zelvora
