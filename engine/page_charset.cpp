#include "engine/page_charset.h"

#include <array>
#include <optional>

#include "platform/encoding.h"
#include "platform/paths.h"

namespace zelvora {
namespace {

struct ByteOrderMark {
  std::string_view bytes;
  const char* charset;
};

// UTF-32LE before UTF-16LE: its mark begins with the UTF-16LE mark.
constexpr std::array<ByteOrderMark, 5> kByteOrderMarks = {{
    {std::string_view("\xEF\xBB\xBF", 3), kUtf8},
    {std::string_view("\xFF\xFE\x00\x00", 4), "UTF-32LE"},
    {std::string_view("\x00\x00\xFE\xFF", 4), "UTF-32BE"},
    {std::string_view("\xFF\xFE", 2), "UTF-16LE"},
    {std::string_view("\xFE\xFF", 2), "UTF-16BE"},
}};

struct CharsetAlias {
  std::string_view lower_name;
  const char* charset;
};

constexpr std::array<CharsetAlias, 14> kCharsetAliases = {{
    {"shift_jis", kCp932},
    {"shift-jis", kCp932},
    {"x-sjis", kCp932},
    {"sjis", kCp932},
    {"windows-31j", kCp932},
    {"cp932", kCp932},
    {"ms932", kCp932},
    {"ms_kanji", kCp932},
    {"csshiftjis", kCp932},
    {"euc-jp", kEucJp},
    {"x-euc-jp", kEucJp},
    {"eucjp", kEucJp},
    {"utf-8", kUtf8},
    {"utf8", kUtf8},
}};

// Every printable ASCII byte and the line-end bytes: what the byte scan relies on.
constexpr std::string_view kAsciiProbe =
    "\t\r\n !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
    "abcdefghijklmnopqrstuvwxyz{|}~";

bool IsDeclarationBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsCharsetNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == ':' || c == '+';
}

std::optional<std::string> CharsetFromByteOrderMark(std::string_view page) {
  for (const ByteOrderMark& mark : kByteOrderMarks) {
    if (page.starts_with(mark.bytes)) return mark.charset;
  }
  return std::nullopt;
}

// The offset of the first "charset" at or after `from` in `window`, in any letter case.
size_t FindCharsetWord(std::string_view window, size_t from) {
  constexpr std::string_view kKeyword = "charset";
  for (size_t at = from; at + kKeyword.size() <= window.size(); ++at) {
    size_t matched = 0;
    while (matched < kKeyword.size() && (window[at + matched] | 0x20) == kKeyword[matched]) {
      ++matched;
    }
    if (matched == kKeyword.size()) return at;
  }
  return std::string_view::npos;
}

// The name declared by the first "charset" = name in `window`. Occurrences without "=" and
// a whole name are passed over.
std::optional<std::string> DeclaredCharsetName(std::string_view window) {
  for (size_t at = FindCharsetWord(window, 0); at != std::string_view::npos;
       at = FindCharsetWord(window, at + 1)) {
    size_t i = at + 7;
    while (i < window.size() && IsDeclarationBlank(window[i])) ++i;
    if (i >= window.size() || window[i] != '=') continue;
    ++i;
    while (i < window.size() && IsDeclarationBlank(window[i])) ++i;
    if (i < window.size() && (window[i] == '"' || window[i] == '\'')) ++i;
    const size_t name_start = i;
    while (i < window.size() && IsCharsetNameByte(window[i])) ++i;
    // A name that runs to the end of the window may be cut short ("iso-8859-15").
    if (i > name_start && i < window.size()) {
      return std::string(window.substr(name_start, i - name_start));
    }
  }
  return std::nullopt;
}

bool IsUnicodeFamily(std::string_view upper_name) {
  return upper_name.starts_with("UTF-16") || upper_name.starts_with("UTF-32") ||
         upper_name.starts_with("UTF16") || upper_name.starts_with("UTF32") ||
         upper_name.starts_with("UCS-2") || upper_name.starts_with("UCS-4") ||
         upper_name.starts_with("UCS2") || upper_name.starts_with("UCS4") ||
         upper_name == "UNICODE";
}

// The canonical iconv name for a declared charset name.
std::string CharsetFromDeclaredName(const std::string& declared) {
  const std::string lower = AsciiLower(declared);
  for (const CharsetAlias& alias : kCharsetAliases) {
    if (lower == alias.lower_name) return alias.charset;
  }
  const std::string upper = AsciiUpper(declared);
  if (IsUnicodeFamily(upper)) return kUtf8;
  if (!IsKnownCharset(upper) || !IsAsciiCompatibleCharset(upper)) return kCp932;
  return upper;
}

bool IsUtf8Name(const std::string& charset) {
  return charset == kUtf8 || AsciiUpper(charset) == kUtf8;
}

}  // namespace

std::string DetectPageCharset(std::string_view page) {
  if (std::optional<std::string> marked = CharsetFromByteOrderMark(page)) return *marked;
  const std::string_view window = page.substr(0, kCharsetWindow);
  if (std::optional<std::string> declared = DeclaredCharsetName(window)) {
    return CharsetFromDeclaredName(*declared);
  }
  return kCp932;
}

bool IsAsciiCompatibleCharset(const std::string& charset) {
  // The names this program itself gives pages, asked about at every link.
  if (charset == kCp932 || charset == kUtf8 || charset == kEucJp) return true;
  const std::string upper = AsciiUpper(charset);
  if (upper == kCp932 || upper == kUtf8 || upper == kEucJp) return true;
  const Result<std::string> decoded = ConvertText(kAsciiProbe, charset, kUtf8);
  if (!decoded.ok() || *decoded != kAsciiProbe) return false;
  const Result<std::string> encoded = ConvertText(kAsciiProbe, kUtf8, charset);
  return encoded.ok() && *encoded == kAsciiProbe;
}

std::string DecodePageText(std::string bytes, const std::string& charset) {
  if (IsAscii(bytes) && IsAsciiCompatibleCharset(charset)) return bytes;
  if (IsUtf8Name(charset) && IsValidUtf8(bytes)) return bytes;
  return ConvertTextKeepingInvalid(bytes, charset, kUtf8);
}

std::string EncodeForPage(std::string_view utf8, const std::string& charset) {
  if (IsAscii(utf8) && IsAsciiCompatibleCharset(charset)) return std::string(utf8);
  if (IsUtf8Name(charset) && IsValidUtf8(utf8)) return std::string(utf8);
  return ConvertTextLossy(utf8, kUtf8, charset);
}

}  // namespace zelvora
