// Character-set conversion: through iconv on POSIX systems, through the system's code pages
// (MultiByteToWideChar, WideCharToMultiByte) on Windows. The program keeps its own texts in
// UTF-8 and converts only at its boundaries: page charsets, the CP932 log file. Charsets are
// named as iconv names them ("CP932", "EUC-JP", "ISO-2022-JP", "UTF-16LE", ...); on Windows
// each name stands for its code page (932, 20932, 50220, ...).
#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"

namespace zelvora {

inline constexpr char kCp932[] = "CP932";
inline constexpr char kUtf8[] = "UTF-8";
inline constexpr char kEucJp[] = "EUC-JP";

// `text` converted from charset `from` to charset `to` (iconv names). Fails, with the byte
// offset in the message, when the input holds a sequence that is not valid in `from` or a
// character that `to` cannot represent; an unknown charset fails too.
Result<std::string> ConvertText(std::string_view text, const std::string& from,
                                const std::string& to);

// Like ConvertText, but never fails on content: each invalid input sequence and each
// character that `to` cannot represent becomes "?". An unknown charset gives `text` with
// every non-ASCII byte replaced by "?".
std::string ConvertTextLossy(std::string_view text, const std::string& from, const std::string& to);

// Like ConvertText, but each input sequence that is not valid in `from`, and each character
// that `to` cannot represent, is kept as the bytes it was. An unknown charset gives `text`
// unchanged. For names, which on Linux are bytes: a byte that does not decode must neither
// vanish nor turn into a wildcard.
std::string ConvertTextKeepingInvalid(std::string_view text, const std::string& from,
                                      const std::string& to);

// True when the system can convert between `charset` and UTF-8.
bool IsKnownCharset(const std::string& charset);

// Length of the UTF-8 sequence that starts with `lead`, or 1 for a byte that starts none.
size_t Utf8SequenceLength(unsigned char lead);

// `text` with every byte that is not ASCII replaced by "?": what a lossy conversion from an
// unknown charset gives.
std::string NonAsciiAsQuestionMarks(std::string_view text);

// True when `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// True when every byte of `text` is below 0x80; such text reads the same in every charset
// the program handles.
bool IsAscii(std::string_view text);

}  // namespace zelvora
