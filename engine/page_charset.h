// The charset of a page, and the conversions between page bytes and the program's UTF-8.
//
// A page is scanned as raw bytes and never re-encoded; only two kinds of text cross the
// boundary: link values and date-source lists read from the page (decoded to UTF-8 before
// any path logic, since a CP932 double-byte character may end in the byte of "\"), and date
// texts written into it (encoded in the page's charset).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelvora {

// How many bytes from the start of a page are searched for a charset declaration. The
// declared name must end inside them: a name running to their end may be cut short and is
// not taken.
inline constexpr size_t kCharsetWindow = 4096;

// The page's charset as an iconv name, decided in this order:
//  1. a byte-order mark: UTF-8 gives "UTF-8"; UTF-16 and UTF-32 give "UTF-16LE",
//     "UTF-16BE", "UTF-32LE" or "UTF-32BE". Such UTF-16/32 pages are not ASCII-compatible:
//     the byte scan cannot find tags or marks in them, and the caller decides what to do
//     (IsAsciiCompatibleCharset tells them apart);
//  2. the first "charset" in the first kCharsetWindow bytes (ASCII letters in any case)
//     followed by optional blanks, "=", optional blanks and an optionally quoted name, as in
//     content="text/html; charset=Shift_JIS" or <meta charset="utf-8">. The name maps to:
//     Shift_JIS and its aliases (shift-jis, x-sjis, sjis, windows-31j, cp932, ms932,
//     ms_kanji, csshiftjis) → "CP932", because pages so labelled use the CP932 extensions;
//     euc-jp, x-euc-jp, eucjp → "EUC-JP"; utf-8, utf8 → "UTF-8"; any other name iconv knows
//     → the name upper-cased; an unknown name → "CP932". A declared UTF-16 or UTF-32 cannot
//     be true of a page whose declaration reads as ASCII and gives "UTF-8" (what browsers
//     do); any other declared charset that is not ASCII-compatible gives "CP932";
//  3. otherwise "CP932".
// Never fails; looks at no more than kCharsetWindow bytes.
std::string DetectPageCharset(std::string_view page);

// True when ASCII text reads the same in `charset` (an iconv name) as in ASCII, so that tags
// and marks can be found in the page's raw bytes. False for UTF-16/32 and unknown charsets.
bool IsAsciiCompatibleCharset(const std::string& charset);

// Page bytes in `charset` as UTF-8. ASCII bytes in an ASCII-compatible charset (and valid
// UTF-8 in a UTF-8 page) are returned as they are, without a copy; each byte sequence that
// does not decode is kept as it is (file names on Linux are bytes; a "?" in its place would
// be a wildcard). An unknown charset leaves the bytes as they are.
std::string DecodePageText(std::string bytes, const std::string& charset);

// UTF-8 text as bytes in the page's `charset`; a character the charset lacks becomes "?".
// ASCII text in an ASCII-compatible charset is returned as it is.
std::string EncodeForPage(std::string_view utf8, const std::string& charset);

}  // namespace zelvora
