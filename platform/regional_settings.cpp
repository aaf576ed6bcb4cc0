#include "platform/regional_settings.h"

#include <cctype>
#include <utility>

#include "platform/encoding.h"
#include "platform/format_writer.h"

namespace zelvora {
namespace {

// One piece of a strftime format: a conversion such as "%-d", or a run of literal text.
struct StrftimePiece {
  bool is_conversion = false;
  std::string text;       // the piece as written
  char conversion = 0;    // the conversion character
  char modifier = 0;      // 'E', 'O' or 0
  bool unpadded = false;  // the flag "-" or "_": no leading zero
};
using StrftimePieces = std::vector<StrftimePiece>;

// What the locale-dependent composite conversions stand for. Empty means dropped.
struct Composites {
  std::string date_time;  // %c
  std::string date;       // %x
  std::string time;       // %X
  std::string ampm_time;  // %r
};

constexpr char kPosixAmPmTime[] = "%I:%M:%S %p";

void AddLiteral(StrftimePieces& pieces, std::string_view text) {
  if (text.empty()) return;
  if (!pieces.empty() && !pieces.back().is_conversion) {
    pieces.back().text += text;
    return;
  }
  pieces.push_back(StrftimePiece{false, std::string(text)});
}

void AddPieces(StrftimePieces& pieces, StrftimePieces more) {
  for (StrftimePiece& piece : more) {
    if (piece.is_conversion) {
      pieces.push_back(std::move(piece));
    } else {
      AddLiteral(pieces, piece.text);
    }
  }
}

// Reads the conversion that starts at format[pos] == '%'; advances `pos` past it. Returns
// false when the format ends inside the conversion.
bool ReadConversion(std::string_view format, size_t& pos, StrftimePiece& piece) {
  const size_t start = pos++;
  piece.is_conversion = true;
  while (pos < format.size() &&
         std::string_view("_-0^#").find(format[pos]) != std::string_view::npos) {
    if (format[pos] == '-' || format[pos] == '_') piece.unpadded = true;
    ++pos;
  }
  while (pos < format.size() && std::isdigit(static_cast<unsigned char>(format[pos]))) ++pos;
  if (pos < format.size() && (format[pos] == 'E' || format[pos] == 'O'))
    piece.modifier = format[pos++];
  if (pos >= format.size()) return false;
  piece.conversion = format[pos++];
  piece.text = std::string(format.substr(start, pos - start));
  return true;
}

StrftimePieces ExpandComposites(std::string_view format, const Composites& composites,
                                const std::string& expanding);

// The pieces that `piece` stands for: the composites expanded, other pieces as they are.
// Composites nest (%c may hold %x); one met again inside its own expansion, which
// `expanding` lists, is dropped so that a locale cannot make the expansion loop.
StrftimePieces ExpandPiece(const StrftimePiece& piece, const Composites& composites,
                           const std::string& expanding) {
  auto expand = [&](std::string_view text) {
    if (expanding.find(piece.conversion) != std::string::npos) return StrftimePieces();
    return ExpandComposites(text, composites, expanding + piece.conversion);
  };
  switch (piece.conversion) {
    case 'D':
      return expand("%m/%d/%y");
    case 'F':
      return expand("%Y-%m-%d");
    case 'T':
      return expand("%H:%M:%S");
    case 'R':
      return expand("%H:%M");
    case 'r':
      return expand(composites.ampm_time.empty() ? kPosixAmPmTime : composites.ampm_time);
    case 'c':
      return expand(composites.date_time);
    case 'x':
      return expand(composites.date);
    case 'X':
      return expand(composites.time);
    default:
      return {piece};
  }
}

StrftimePieces ExpandComposites(std::string_view format, const Composites& composites,
                                const std::string& expanding) {
  StrftimePieces pieces;
  size_t pos = 0;
  while (pos < format.size()) {
    const size_t percent = format.find('%', pos);
    AddLiteral(pieces, format.substr(pos, percent - pos));
    if (percent == std::string_view::npos) break;
    pos = percent;
    StrftimePiece piece;
    if (!ReadConversion(format, pos, piece)) break;
    AddPieces(pieces, ExpandPiece(piece, composites, expanding));
  }
  return pieces;
}

// The format language's form of one conversion; empty for conversions it has no form for.
std::string_view TranslateConversion(const StrftimePiece& piece) {
  const bool era = piece.modifier == 'E';
  switch (piece.conversion) {
    case 'Y':
      return "yyyy";
    case 'y':
      return era ? "e" : "yy";
    case 'C':
      return era ? "g" : "";
    case 'm':
      return piece.unpadded ? "m" : "mm";
    case 'd':
      return piece.unpadded ? "d" : "dd";
    case 'e':
      return "d";
    case 'H':
    case 'I':
      return piece.unpadded ? "h" : "hh";
    case 'k':
    case 'l':
      return "h";
    case 'M':
      return piece.unpadded ? "n" : "nn";
    case 'S':
      return piece.unpadded ? "s" : "ss";
    case 'p':
    case 'P':
      return "ampm";
    case 'b':
    case 'h':
      return "mmm";
    case 'B':
      return "mmmm";
    case 'a':
      return "ddd";
    case 'A':
      return "dddd";
    case 'n':
    case 't':
      return " ";
    case '%':
      return "%";
    default:
      return "";
  }
}

std::string TranslatePieces(const StrftimePieces& pieces) {
  FormatWriter format;
  for (const StrftimePiece& piece : pieces) {
    if (piece.is_conversion) {
      format.AddSpecifier(TranslateConversion(piece));
    } else {
      format.AddLiteral(piece.text);
    }
  }
  return format.text();
}

bool IsDateConversion(char conversion) {
  return std::string_view("YyCGgmdebhBaAjuwUVW").find(conversion) != std::string_view::npos;
}

// Blanks at either end removed (and a literal piece that holds nothing else).
void TrimBlanks(StrftimePieces& pieces) {
  if (!pieces.empty() && !pieces.back().is_conversion) {
    std::string& text = pieces.back().text;
    text.erase(text.find_last_not_of(" \t") + 1);
    if (text.empty()) pieces.pop_back();
  }
  if (!pieces.empty() && !pieces.front().is_conversion) {
    std::string& text = pieces.front().text;
    text.erase(0, text.find_first_not_of(" \t"));
    if (text.empty()) pieces.erase(pieces.begin());
  }
}

// The date part of a date-and-time format: its date conversions, each with the literal text
// that directly follows it; text that belongs to dropped conversions goes with them.
StrftimePieces DatePart(const StrftimePieces& pieces) {
  StrftimePieces out;
  bool keep_text = true;  // text before the first conversion goes with that conversion
  bool seen_conversion = false;
  for (const StrftimePiece& piece : pieces) {
    if (piece.is_conversion) {
      keep_text = IsDateConversion(piece.conversion);
      if (!keep_text && !seen_conversion) out.clear();
      seen_conversion = true;
      if (keep_text) out.push_back(piece);
    } else if (keep_text) {
      AddLiteral(out, piece.text);
    }
  }
  TrimBlanks(out);
  bool has_date = false;
  for (const StrftimePiece& piece : out) has_date = has_date || piece.is_conversion;
  return has_date ? out : StrftimePieces();
}

StrftimePieces WithLongNames(StrftimePieces pieces) {
  for (StrftimePiece& piece : pieces) {
    if (!piece.is_conversion) continue;
    if (piece.conversion == 'a') piece.conversion = 'A';
    if (piece.conversion == 'b' || piece.conversion == 'h') piece.conversion = 'B';
  }
  return pieces;
}

std::string TrimmedBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

bool IsPunctuationOnly(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80 || !std::ispunct(static_cast<unsigned char>(c))) {
      return false;
    }
  }
  return !text.empty();
}

// A time format without its seconds: "%H:%M:%S" loses ":%S", "%H時%M分%S秒" loses "%S秒".
StrftimePieces WithoutSeconds(const StrftimePieces& pieces) {
  StrftimePieces out;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const StrftimePiece& piece = pieces[i];
    if (!piece.is_conversion || piece.conversion != 'S') {
      AddPieces(out, {piece});
      continue;
    }
    if (!out.empty() && !out.back().is_conversion && IsPunctuationOnly(out.back().text)) {
      out.pop_back();  // the separator before the seconds
    } else if (i + 1 < pieces.size() && !pieces[i + 1].is_conversion) {
      // The unit after the seconds goes; a blank after it stays.
      const std::string& next = pieces[i + 1].text;
      const size_t blank = next.find_first_of(" \t");
      AddLiteral(out, blank == std::string::npos ? "" : std::string_view(next).substr(blank));
      ++i;
    }
  }
  TrimBlanks(out);
  return out;
}

// The text between the first two conversions, trimmed, when it is punctuation such as "/"
// or "."; otherwise `fallback`.
std::string SeparatorOf(const StrftimePieces& pieces, const char* fallback) {
  for (size_t i = 0; i + 2 < pieces.size(); ++i) {
    if (!pieces[i].is_conversion) continue;
    if (pieces[i + 1].is_conversion || !pieces[i + 2].is_conversion) break;
    const std::string text = TrimmedBlanks(pieces[i + 1].text);
    return IsPunctuationOnly(text) ? text : fallback;
  }
  return fallback;
}

std::string OrDefault(std::string value, const std::string& fallback) {
  return value.empty() ? fallback : value;
}

}  // namespace

RegionalSettings JapaneseRegionalSettings() {
  RegionalSettings settings;
  settings.date_separator = "/";
  settings.time_separator = ":";
  settings.short_date_format = "yyyy/mm/dd";
  settings.long_date_format = "yyyy\"年\"m\"月\"d\"日\"";
  settings.short_time_format = "h:nn";
  settings.long_time_format = "h:nn:ss";
  settings.am_text = "午前";
  settings.pm_text = "午後";
  for (int i = 0; i < 12; ++i) {
    settings.short_month_names[i] = std::to_string(i + 1) + "月";
    settings.long_month_names[i] = settings.short_month_names[i];
  }
  settings.short_day_names = {"日", "月", "火", "水", "木", "金", "土"};
  settings.long_day_names = {"日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"};
  // Meiji was proclaimed on 1868-10-23 and applied from the start of that lunar year, which
  // fell on 1868-01-25; that is the day taken as its first.
  settings.eras = {{"明治", 1868, 1, 25},
                   {"大正", 1912, 7, 30},
                   {"昭和", 1926, 12, 25},
                   {"平成", 1989, 1, 8},
                   {"令和", 2019, 5, 1}};
  return settings;
}

std::string TranslateStrftimeFormat(std::string_view strftime_format) {
  return TranslatePieces(ExpandComposites(strftime_format, Composites{}, ""));
}

RegionalSettings RegionalSettingsFromLocaleTexts(const LocaleTimeTexts& texts, bool japanese_eras) {
  const std::string codeset = texts.codeset.empty() ? kUtf8 : texts.codeset;
  auto utf8 = [&codeset](const std::string& text) {
    return IsAscii(text) ? text : ConvertTextLossy(text, codeset, kUtf8);
  };
  // Some locales pad short names for columns (" 1月"); a date text wants them bare.
  auto name = [&utf8](const std::string& text) { return TrimmedBlanks(utf8(text)); };
  const Composites composites{utf8(texts.date_time_format), utf8(texts.date_format),
                              utf8(texts.time_format), utf8(texts.ampm_time_format)};
  const StrftimePieces date = ExpandComposites(composites.date, composites, "x");
  const StrftimePieces time = ExpandComposites(composites.time, composites, "X");
  StrftimePieces long_date = DatePart(ExpandComposites(composites.date_time, composites, "c"));
  if (long_date.empty()) long_date = date;

  const RegionalSettings defaults = JapaneseRegionalSettings();
  RegionalSettings settings;
  settings.date_separator = SeparatorOf(date, "/");
  settings.time_separator = SeparatorOf(time, ":");
  settings.short_date_format = OrDefault(TranslatePieces(date), defaults.short_date_format);
  settings.long_date_format =
      OrDefault(TranslatePieces(WithLongNames(long_date)), defaults.long_date_format);
  settings.short_time_format =
      OrDefault(TranslatePieces(WithoutSeconds(time)), defaults.short_time_format);
  settings.long_time_format = OrDefault(TranslatePieces(time), defaults.long_time_format);
  settings.am_text = name(texts.am_text);
  settings.pm_text = name(texts.pm_text);
  for (size_t i = 0; i < 12; ++i) {
    settings.short_month_names[i] = name(texts.short_month_names[i]);
    settings.long_month_names[i] = name(texts.long_month_names[i]);
  }
  for (size_t i = 0; i < 7; ++i) {
    settings.short_day_names[i] = name(texts.short_day_names[i]);
    settings.long_day_names[i] = name(texts.long_day_names[i]);
  }
  if (japanese_eras) settings.eras = defaults.eras;
  return settings;
}

}  // namespace zelvora
