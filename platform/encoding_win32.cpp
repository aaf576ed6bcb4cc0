// Character-set conversion through the system's code pages. Text is decoded character by
// character into code points (UTF-8 and UTF-16/32 by the program itself, code pages by
// MultiByteToWideChar, a whole text at once while it decodes cleanly) and encoded likewise
// (WideCharToMultiByte, asked not to put look-alike characters in place of missing ones). A
// byte sequence that does not decode travels as itself, so that each conversion can fail on
// it, replace it with "?" or keep it, as the caller asked.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/encoding.h"
#include "platform/paths.h"

namespace zelvora {
namespace {

enum class Form { kCodePage, kUtf8, kUtf16Le, kUtf16Be, kUtf32Le, kUtf32Be };

struct Charset {
  Form form = Form::kCodePage;
  UINT code_page = 0;
};

struct NamedCharset {
  std::string_view name;  // upper case
  Charset charset;
};

// The names of the charsets that pages declare and the program uses, as iconv spells them.
constexpr NamedCharset kCharsets[] = {
    {"UTF-8", {Form::kUtf8}},
    {"UTF8", {Form::kUtf8}},
    {"UTF-16LE", {Form::kUtf16Le}},
    {"UTF-16BE", {Form::kUtf16Be}},
    {"UTF-16", {Form::kUtf16Be}},
    {"UTF-32LE", {Form::kUtf32Le}},
    {"UTF-32BE", {Form::kUtf32Be}},
    {"UTF-32", {Form::kUtf32Be}},
    {"CP932", {Form::kCodePage, 932}},
    {"SHIFT_JIS", {Form::kCodePage, 932}},
    {"SHIFT-JIS", {Form::kCodePage, 932}},
    {"SJIS", {Form::kCodePage, 932}},
    {"MS932", {Form::kCodePage, 932}},
    {"WINDOWS-31J", {Form::kCodePage, 932}},
    {"MS_KANJI", {Form::kCodePage, 932}},
    {"CSSHIFTJIS", {Form::kCodePage, 932}},
    {"EUC-JP", {Form::kCodePage, 20932}},
    {"EUCJP", {Form::kCodePage, 20932}},
    {"ISO-2022-JP", {Form::kCodePage, 50220}},
    {"CSISO2022JP", {Form::kCodePage, 50220}},
    {"ISO-2022-JP-1", {Form::kCodePage, 50221}},
    {"US-ASCII", {Form::kCodePage, 20127}},
    {"ASCII", {Form::kCodePage, 20127}},
    {"ANSI_X3.4-1968", {Form::kCodePage, 20127}},
    {"ISO-8859-1", {Form::kCodePage, 28591}},
    {"LATIN1", {Form::kCodePage, 28591}},
    {"ISO-8859-2", {Form::kCodePage, 28592}},
    {"ISO-8859-5", {Form::kCodePage, 28595}},
    {"ISO-8859-7", {Form::kCodePage, 28597}},
    {"ISO-8859-9", {Form::kCodePage, 28599}},
    {"ISO-8859-15", {Form::kCodePage, 28605}},
    {"KOI8-R", {Form::kCodePage, 20866}},
    {"KOI8-U", {Form::kCodePage, 21866}},
    {"EUC-KR", {Form::kCodePage, 51949}},
    {"GB2312", {Form::kCodePage, 936}},
    {"GBK", {Form::kCodePage, 936}},
    {"GB18030", {Form::kCodePage, 54936}},
    {"BIG5", {Form::kCodePage, 950}},
};

// Code points beyond Unicode stand for input bytes that did not decode: kRawStart + byte for
// the first byte of a sequence, kRawMore + byte for each further byte of the same sequence.
constexpr char32_t kRawStart = 0x110000;
constexpr char32_t kRawMore = 0x110100;

std::optional<Charset> FindCharset(const std::string& name) {
  const std::string upper = AsciiUpper(name);
  for (const NamedCharset& known : kCharsets) {
    if (known.name == upper) return known.charset;
  }
  // "CP1252", "WINDOWS-1252" and the like name a code page by its number.
  for (const std::string_view prefix : {std::string_view("CP"), std::string_view("WINDOWS-")}) {
    if (!upper.starts_with(prefix) || upper.size() == prefix.size()) continue;
    const std::string digits = upper.substr(prefix.size());
    if (digits.size() > 5 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) continue;
    return Charset{Form::kCodePage, static_cast<UINT>(std::stoul(digits))};
  }
  return std::nullopt;
}

bool IsUsable(const Charset& charset) {
  return charset.form != Form::kCodePage || IsValidCodePage(charset.code_page);
}

// Code pages whose conversions take no flags: they can neither report invalid input nor
// characters they lack.
bool TakesNoFlags(UINT code_page) {
  return code_page == 42 || (code_page >= 50220 && code_page <= 50229) ||
         (code_page >= 57002 && code_page <= 57011) || code_page == 65000 || code_page == 54936;
}

// The length of the character at the start of `rest` in `code_page`, as its lead byte tells.
size_t CharacterLength(std::string_view rest, UINT code_page) {
  const auto lead = static_cast<unsigned char>(rest[0]);
  if (lead < 0x80) return 1;
  if (code_page == 20932 || code_page == 51932 || code_page == 51949) {
    if (lead == 0x8F) return std::min<size_t>(3, rest.size());  // JIS X 0212
    return std::min<size_t>(lead == 0x8E || lead >= 0xA1 ? 2 : 1, rest.size());
  }
  if (IsDBCSLeadByteEx(code_page, lead)) return std::min<size_t>(2, rest.size());
  return 1;
}

// Called with each decoded code point (or raw byte, see kRawStart) and the offset of the
// bytes it came from; returns false to stop.
using Sink = std::function<bool(char32_t, size_t)>;

void EmitUtf16(std::wstring_view wide, size_t offset, const Sink& sink) {
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t unit = static_cast<char16_t>(wide[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() &&
        static_cast<char16_t>(wide[i + 1]) >= 0xDC00 &&
        static_cast<char16_t>(wide[i + 1]) <= 0xDFFF) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char16_t>(wide[++i]) - 0xDC00);
    }
    if (!sink(unit, offset)) return;
  }
}

// Passes `bytes`, one sequence that does not decode, on as raw bytes.
bool EmitRaw(std::string_view bytes, size_t offset, const Sink& sink) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char32_t base = i == 0 ? kRawStart : kRawMore;
    if (!sink(base + static_cast<unsigned char>(bytes[i]), offset + i)) return false;
  }
  return true;
}

std::wstring DecodeCodePage(std::string_view bytes, UINT code_page, bool check) {
  const DWORD flags = check ? MB_ERR_INVALID_CHARS : 0;
  const int length = MultiByteToWideChar(code_page, flags, bytes.data(),
                                         static_cast<int>(bytes.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(code_page, flags, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                      length);
  return wide;
}

void DecodeUtf8(std::string_view bytes, const Sink& sink) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[pos]);
    const size_t length = std::min(Utf8SequenceLength(lead), bytes.size() - pos);
    const std::string_view sequence = bytes.substr(pos, length);
    if (lead < 0x80) {
      if (!sink(lead, pos)) return;
    } else if (length > 1 && IsValidUtf8(sequence)) {
      char32_t code_point = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
      for (size_t i = 1; i < length; ++i) code_point = code_point << 6 | (sequence[i] & 0x3F);
      if (!sink(code_point, pos)) return;
    } else {
      // A sequence that breaks off is taken as one character that does not decode, as far as
      // its continuation bytes go.
      size_t bad = 1;
      while (bad < length && (static_cast<unsigned char>(sequence[bad]) & 0xC0) == 0x80) ++bad;
      if (Utf8SequenceLength(lead) == 1) bad = 1;
      if (!EmitRaw(bytes.substr(pos, bad), pos, sink)) return;
      pos += bad;
      continue;
    }
    pos += length;
  }
}

uint32_t UnitAt(std::string_view bytes, size_t pos, size_t unit_size, bool big_endian) {
  uint32_t unit = 0;
  for (size_t i = 0; i < unit_size; ++i) {
    unit =
        unit << 8 | static_cast<unsigned char>(bytes[pos + (big_endian ? i : unit_size - 1 - i)]);
  }
  return unit;
}

// UTF-16 or UTF-32 (`unit_size` 2 or 4); a surrogate without its partner does not decode.
void DecodeWide(std::string_view bytes, size_t unit_size, bool big_endian, const Sink& sink) {
  size_t pos = 0;
  while (pos + unit_size <= bytes.size()) {
    const uint32_t unit = UnitAt(bytes, pos, unit_size, big_endian);
    size_t length = unit_size;
    uint32_t code_point = unit;
    bool valid = unit <= 0x10FFFF && (unit < 0xD800 || unit > 0xDFFF);
    if (unit_size == 2 && unit >= 0xD800 && unit <= 0xDBFF && pos + 4 <= bytes.size()) {
      const uint32_t low = UnitAt(bytes, pos + 2, 2, big_endian);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code_point = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        length = 4;
        valid = true;
      }
    }
    if (!(valid ? sink(code_point, pos) : EmitRaw(bytes.substr(pos, length), pos, sink))) return;
    pos += length;
  }
  if (pos < bytes.size()) EmitRaw(bytes.substr(pos), pos, sink);  // cut off by the text's end
}

void Decode(std::string_view bytes, const Charset& charset, const Sink& sink) {
  switch (charset.form) {
    case Form::kUtf8:
      return DecodeUtf8(bytes, sink);
    case Form::kUtf16Le:
    case Form::kUtf16Be:
      return DecodeWide(bytes, 2, charset.form == Form::kUtf16Be, sink);
    case Form::kUtf32Le:
    case Form::kUtf32Be:
      return DecodeWide(bytes, 4, charset.form == Form::kUtf32Be, sink);
    case Form::kCodePage:
      break;
  }
  if (bytes.empty()) return;
  const UINT code_page = charset.code_page;
  if (TakesNoFlags(code_page)) return EmitUtf16(DecodeCodePage(bytes, code_page, false), 0, sink);
  const std::wstring whole = DecodeCodePage(bytes, code_page, true);
  if (!whole.empty()) return EmitUtf16(whole, 0, sink);
  // Somewhere a sequence does not decode: character by character, to find it.
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t length = CharacterLength(bytes.substr(pos), code_page);
    const std::string_view character = bytes.substr(pos, length);
    const std::wstring wide = DecodeCodePage(character, code_page, true);
    if (wide.empty()) {
      // Each byte on its own, as iconv reports them: one "?" per byte in a lossy conversion.
      for (size_t i = 0; i < character.size(); ++i) {
        if (!EmitRaw(character.substr(i, 1), pos + i, sink)) return;
      }
    } else {
      EmitUtf16(wide, pos, sink);
    }
    pos += length;
  }
}

// What becomes of an input sequence that does not decode or a character that the target lacks.
enum class Misfit { kFail, kQuestionMark, kKeep };

// Encodes code points into a charset; collects them so that code pages convert many at once.
class Encoder {
 public:
  Encoder(const Charset& charset, Misfit misfit, std::string* out)
      : charset_(charset), misfit_(misfit), out_(*out) {}

  // False when the character cannot be encoded under Misfit::kFail.
  bool Add(char32_t code_point) {
    if (code_point >= kRawStart) {
      if (!Flush()) return false;
      const bool more = code_point >= kRawMore;
      const auto byte = static_cast<char>(code_point - (more ? kRawMore : kRawStart));
      return AddMisfit(std::string(1, byte), more);
    }
    switch (charset_.form) {
      case Form::kUtf8:
        AppendUtf8(code_point);
        return true;
      case Form::kUtf16Le:
      case Form::kUtf16Be:
        return AppendUnits(code_point, 2);
      case Form::kUtf32Le:
      case Form::kUtf32Be:
        AppendUnit(code_point, 4);
        return true;
      case Form::kCodePage:
        break;
    }
    if (code_point >= 0x10000) {
      pending_ += static_cast<wchar_t>(0xD800 + ((code_point - 0x10000) >> 10));
      pending_ += static_cast<wchar_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
    } else {
      pending_ += static_cast<wchar_t>(code_point);
    }
    return pending_.size() < 4096 || Flush();
  }

  // Encodes the characters collected; false when one of them cannot be under Misfit::kFail.
  bool Flush() {
    if (pending_.empty()) return true;
    const std::wstring wide = std::move(pending_);
    pending_.clear();
    if (TakesNoFlags(charset_.code_page)) {
      out_ += EncodeCodePage(wide, nullptr);
      return true;
    }
    BOOL lacking = FALSE;
    const std::string whole = EncodeCodePage(wide, &lacking);
    if (!lacking) {
      out_ += whole;
      return true;
    }
    // Some character has no form here: one by one, to find which.
    for (size_t i = 0; i < wide.size(); ++i) {
      const bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size();
      const std::wstring_view character(wide.data() + i, pair ? 2 : 1);
      if (pair) ++i;
      lacking = FALSE;
      const std::string encoded = EncodeCodePage(character, &lacking);
      if (!lacking) {
        out_ += encoded;
      } else if (!AddMisfit("?", false)) {
        return false;
      }
    }
    return true;
  }

 private:
  // `kept` is what Misfit::kKeep keeps; `more` marks the further bytes of one sequence, which
  // Misfit::kQuestionMark leaves out (one "?" stands for the whole sequence).
  bool AddMisfit(const std::string& kept, bool more) {
    switch (misfit_) {
      case Misfit::kFail:
        return false;
      case Misfit::kQuestionMark:
        if (!more) out_ += '?';
        return true;
      case Misfit::kKeep:
        out_ += kept;
        return true;
    }
    return false;
  }

  std::string EncodeCodePage(std::wstring_view wide, BOOL* lacking) {
    const UINT code_page = charset_.code_page;
    const DWORD flags = lacking != nullptr ? WC_NO_BEST_FIT_CHARS : 0;
    const char* replacement = lacking != nullptr ? "?" : nullptr;
    const int length =
        WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()), nullptr,
                            0, replacement, lacking);
    if (length <= 0) {
      if (lacking != nullptr) *lacking = TRUE;
      return std::string();
    }
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()), bytes.data(),
                        length, replacement, lacking);
    return bytes;
  }

  void AppendUtf8(char32_t code_point) {
    if (code_point < 0x80) {
      out_ += static_cast<char>(code_point);
    } else if (code_point < 0x800) {
      out_ += static_cast<char>(0xC0 | (code_point >> 6));
      out_ += static_cast<char>(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
      out_ += static_cast<char>(0xE0 | (code_point >> 12));
      out_ += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
      out_ += static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
      out_ += static_cast<char>(0xF0 | (code_point >> 18));
      out_ += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
      out_ += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
      out_ += static_cast<char>(0x80 | (code_point & 0x3F));
    }
  }

  bool AppendUnits(char32_t code_point, size_t unit_size) {
    if (code_point < 0x10000) {
      AppendUnit(code_point, unit_size);
    } else {
      AppendUnit(0xD800 + ((code_point - 0x10000) >> 10), unit_size);
      AppendUnit(0xDC00 + ((code_point - 0x10000) & 0x3FF), unit_size);
    }
    return true;
  }

  void AppendUnit(char32_t unit, size_t unit_size) {
    const bool big_endian = charset_.form == Form::kUtf16Be || charset_.form == Form::kUtf32Be;
    for (size_t i = 0; i < unit_size; ++i) {
      const size_t shift = 8 * (big_endian ? unit_size - 1 - i : i);
      out_ += static_cast<char>((unit >> shift) & 0xFF);
    }
  }

  const Charset charset_;
  const Misfit misfit_;
  std::string& out_;
  std::wstring pending_;
};

// The conversion of `text` with misfits handled by `misfit`; under Misfit::kFail, nothing and
// in `*failed_at` the offset of the input that did not convert.
std::optional<std::string> Convert(std::string_view text, const Charset& from, const Charset& to,
                                   Misfit misfit, size_t* failed_at) {
  std::string out;
  out.reserve(text.size());
  Encoder encoder(to, misfit, &out);
  bool failed = false;
  Decode(text, from, [&](char32_t code_point, size_t offset) {
    if (encoder.Add(code_point)) return true;
    failed = true;
    if (failed_at != nullptr) *failed_at = offset;
    return false;
  });
  if (failed || !encoder.Flush()) return std::nullopt;
  return out;
}

}  // namespace

Result<std::string> ConvertText(std::string_view text, const std::string& from,
                                const std::string& to) {
  const auto source = FindCharset(from);
  const auto target = FindCharset(to);
  if (!source || !target || !IsUsable(*source) || !IsUsable(*target)) {
    return Status::Error("unknown character set conversion " + from + " to " + to, EINVAL);
  }
  if (source->form == Form::kUtf8 && target->form == Form::kUtf8 && IsValidUtf8(text)) {
    return std::string(text);
  }
  size_t failed_at = 0;
  auto converted = Convert(text, *source, *target, Misfit::kFail, &failed_at);
  if (!converted) {
    return Status::Error("text does not convert from " + from + " to " + to + " at byte " +
                             std::to_string(failed_at),
                         EILSEQ);
  }
  return std::move(*converted);
}

std::string ConvertTextLossy(std::string_view text, const std::string& from,
                             const std::string& to) {
  const auto source = FindCharset(from);
  const auto target = FindCharset(to);
  if (!source || !target || !IsUsable(*source) || !IsUsable(*target)) {
    return NonAsciiAsQuestionMarks(text);
  }
  return Convert(text, *source, *target, Misfit::kQuestionMark, nullptr).value_or(std::string());
}

std::string ConvertTextKeepingInvalid(std::string_view text, const std::string& from,
                                      const std::string& to) {
  const auto source = FindCharset(from);
  const auto target = FindCharset(to);
  if (!source || !target || !IsUsable(*source) || !IsUsable(*target)) return std::string(text);
  return Convert(text, *source, *target, Misfit::kKeep, nullptr).value_or(std::string(text));
}

bool IsKnownCharset(const std::string& charset) {
  const auto found = FindCharset(charset);
  return found && IsUsable(*found);
}

}  // namespace zelvora
