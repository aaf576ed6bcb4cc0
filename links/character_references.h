// Character references in link values, as a browser reads an attribute: "&amp;" is "&",
// "&#38;" and "&#x26;" are "&" too. Link values are taken as written first (a file may hold
// "&amp;" in its very name); this decoding is the second try.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelvora {

// `text` (UTF-8) with its character references decoded: numeric ones ("&#38;", "&#x26;",
// the ";" required) as the UTF-8 bytes of their code point, and the named ones a link is
// likely to hold ("&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&nbsp;"). Anything else that
// begins with "&" stays as it is. Nothing when `text` holds no reference, or when one stands
// for NUL, a surrogate or a code point beyond U+10FFFF, which no file name holds.
std::optional<std::string> DecodeCharacterReferences(std::string_view text);

}  // namespace zelvora
