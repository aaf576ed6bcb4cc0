#include "engine/date_format.h"

#include <algorithm>
#include <charconv>
#include <tuple>

#include "platform/encoding.h"

namespace zelvora {
namespace {

// Formats reached through c, ddddd, dddddd, t and tt are expanded in turn; beyond this many
// levels such a specifier gives nothing, so a regional format that names itself cannot loop.
constexpr int kMaxNesting = 2;

enum class Kind {
  kYear,
  kMonth,
  kDay,
  kHour,
  kMinute,
  kSecond,
  kTimeFormat,    // t, tt
  kDateAndTime,   // c
  kAmPmLetters,   // am/pm
  kAmPmLetter,    // a/p
  kAmPmText,      // ampm
  kShortDayName,  // aaa
  kLongDayName,   // aaaa
  kEraName,
  kEraYear,
  kOtherLetter,  // a letter without a meaning of its own, copied
  // The kinds below are not letters: the "previous letter" passes over them.
  kDateSeparator,
  kTimeSeparator,
  kQuoted,       // the text between quotes
  kCharacter,    // any other character: one byte, or one whole UTF-8 character
  kInvalidByte,  // a byte that starts no UTF-8 character
};

struct Token {
  Kind kind;
  std::string_view text;  // the token's bytes; for kQuoted the text without its quotes
  size_t count = 1;       // run length of a letter specifier
};

bool IsLetter(Kind kind) { return kind <= Kind::kOtherLetter; }

bool IsAmPm(Kind kind) {
  return kind == Kind::kAmPmLetters || kind == Kind::kAmPmLetter || kind == Kind::kAmPmText;
}

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool StartsWithNoCase(std::string_view text, std::string_view lower_prefix) {
  if (text.size() < lower_prefix.size()) return false;
  for (size_t i = 0; i < lower_prefix.size(); ++i) {
    if (ToLowerAscii(text[i]) != lower_prefix[i]) return false;
  }
  return true;
}

// Length of the well-formed UTF-8 character at the start of `text`; 0 when there is none.
size_t Utf8CharLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (length == 0 || length > text.size()) return 0;
  return IsValidUtf8(text.substr(0, length)) ? length : 0;
}

// Appends `text`, each byte that starts no UTF-8 character written as "?".
void AppendValidUtf8(std::string& out, std::string_view text) {
  if (IsValidUtf8(text)) {
    out += text;
    return;
  }
  while (!text.empty()) {
    const size_t length = Utf8CharLength(text);
    if (length == 0) {
      out += '?';
      text.remove_prefix(1);
    } else {
      out += text.substr(0, length);
      text.remove_prefix(length);
    }
  }
}

Kind RunKind(char lower) {
  switch (lower) {
    case 'y':
      return Kind::kYear;
    case 'm':
      return Kind::kMonth;
    case 'd':
      return Kind::kDay;
    case 'h':
      return Kind::kHour;
    case 'n':
      return Kind::kMinute;
    case 's':
      return Kind::kSecond;
    case 't':
      return Kind::kTimeFormat;
    case 'c':
      return Kind::kDateAndTime;
    case 'g':
      return Kind::kEraName;
    case 'e':
      return Kind::kEraYear;
    default:
      return Kind::kOtherLetter;
  }
}

// The forms that begin with "a"; an "a" that begins none of them is an ordinary letter.
Token ReadAToken(std::string_view rest) {
  static constexpr std::pair<std::string_view, Kind> kForms[] = {
      {"am/pm", Kind::kAmPmLetters}, {"a/p", Kind::kAmPmLetter},   {"ampm", Kind::kAmPmText},
      {"aaaa", Kind::kLongDayName},  {"aaa", Kind::kShortDayName},
  };
  for (const auto& [form, kind] : kForms) {
    if (StartsWithNoCase(rest, form)) return Token{kind, rest.substr(0, form.size())};
  }
  return Token{Kind::kOtherLetter, rest.substr(0, 1)};
}

// Reads the token at `pos` (which is inside `format`) and moves `pos` past it.
Token ReadToken(std::string_view format, size_t& pos) {
  const std::string_view rest = format.substr(pos);
  const char first = rest[0];
  const char lower = ToLowerAscii(first);
  Token token{Kind::kCharacter, rest.substr(0, 1)};
  if (lower == 'a') {
    token = ReadAToken(rest);
  } else if (lower >= 'a' && lower <= 'z') {
    token.kind = RunKind(lower);
    if (token.kind != Kind::kOtherLetter) {
      size_t length = 1;
      while (length < rest.size() && ToLowerAscii(rest[length]) == lower) ++length;
      token.text = rest.substr(0, length);
      token.count = length;
    }
  } else if (first == '/') {
    token.kind = Kind::kDateSeparator;
  } else if (first == ':') {
    token.kind = Kind::kTimeSeparator;
  } else if (first == '"' || first == '\'') {
    // A quote without its partner runs to the end of the format.
    const size_t close = rest.find(first, 1);
    token.kind = Kind::kQuoted;
    token.text =
        rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    pos += close == std::string_view::npos ? rest.size() : close + 1;
    return token;
  } else if (static_cast<unsigned char>(first) >= 0x80) {
    // Free formats may carry Japanese text without quotes: a character beyond ASCII is
    // copied whole rather than dropped, and never split. It is no letter, so the "previous
    // letter" passes over it as over a separator. A byte that starts no UTF-8 character
    // becomes "?", which keeps the result valid UTF-8.
    const size_t length = Utf8CharLength(rest);
    token.kind = length == 0 ? Kind::kInvalidByte : Kind::kCharacter;
    token.text = rest.substr(0, std::max<size_t>(length, 1));
  }
  pos += token.text.size();
  return token;
}

// True when an AM/PM specifier comes in `rest` before the next hour specifier.
bool AmPmFollows(std::string_view rest) {
  size_t pos = 0;
  while (pos < rest.size()) {
    const Kind kind = ReadToken(rest, pos).kind;
    if (kind == Kind::kHour) return false;
    if (IsAmPm(kind)) return true;
  }
  return false;
}

// The era that `civil` falls in: the one with the latest start not after it.
const Era* EraOf(const CivilTime& civil, const std::vector<Era>& eras) {
  const Era* found = nullptr;
  const auto date = std::tie(civil.year, civil.month, civil.day);
  for (const Era& era : eras) {
    const auto start = std::tie(era.start_year, era.start_month, era.start_day);
    if (start > date) continue;
    if (found == nullptr ||
        start > std::tie(found->start_year, found->start_month, found->start_day)) {
      found = &era;
    }
  }
  return found;
}

// What one format's scan remembers from its earlier tokens.
struct ScanState {
  bool previous_letter_was_hour = false;
  bool seen_am_pm = false;
};

class DateFormatter {
 public:
  DateFormatter(const CivilTime& civil, const RegionalSettings& regional)
      : civil_(civil), regional_(regional) {}

  // Appends the text of `format`, reached through `nesting` levels of nested formats.
  void Append(std::string_view format, int nesting) {
    ScanState state;
    size_t pos = 0;
    while (pos < format.size()) {
      const Token token = ReadToken(format, pos);
      AppendToken(token, format.substr(pos), state, nesting);
      if (IsLetter(token.kind)) state.previous_letter_was_hour = token.kind == Kind::kHour;
      if (IsAmPm(token.kind)) state.seen_am_pm = true;
    }
  }

  std::string Take() { return std::move(out_); }

 private:
  void AppendToken(const Token& token, std::string_view rest, const ScanState& state, int nesting) {
    const bool morning = civil_.hour < 12;
    switch (token.kind) {
      case Kind::kYear:
        if (token.count <= 2) return AppendNumber(civil_.year % 100, 2);
        return AppendNumber(civil_.year, 4);
      case Kind::kMonth:
        return AppendMonth(token.count, state.previous_letter_was_hour);
      case Kind::kDay:
        return AppendDay(token.count, nesting);
      case Kind::kHour: {
        const bool twelve_hour = state.seen_am_pm || AmPmFollows(rest);
        const int hour = twelve_hour ? (civil_.hour + 11) % 12 + 1 : civil_.hour;
        return AppendNumber(hour, Digits(token.count));
      }
      case Kind::kMinute:
        return AppendNumber(civil_.minute, Digits(token.count));
      case Kind::kSecond:
        return AppendNumber(civil_.second, Digits(token.count));
      case Kind::kTimeFormat:
        return AppendNested(
            token.count == 1 ? regional_.short_time_format : regional_.long_time_format, nesting);
      case Kind::kDateAndTime:
        return AppendDateAndTime(nesting);
      case Kind::kAmPmLetters:
        out_ += token.text.substr(morning ? 0 : 3, 2);
        return;
      case Kind::kAmPmLetter:
        out_ += token.text[morning ? 0 : 2];
        return;
      case Kind::kAmPmText:
        return AppendText(morning ? regional_.am_text : regional_.pm_text);
      case Kind::kShortDayName:
        return AppendText(ShortDayName());
      case Kind::kLongDayName:
        return AppendText(LongDayName());
      case Kind::kEraName:
        return AppendEraName();
      case Kind::kEraYear:
        return AppendEraYear(token.count);
      case Kind::kDateSeparator:
        return AppendText(regional_.date_separator);
      case Kind::kTimeSeparator:
        return AppendText(regional_.time_separator);
      case Kind::kQuoted:
        return AppendText(token.text);
      case Kind::kOtherLetter:
      case Kind::kCharacter:
        out_ += token.text;
        return;
      case Kind::kInvalidByte:
        out_ += '?';
        return;
    }
  }

  static int Digits(size_t count) { return count >= 2 ? 2 : 1; }

  void AppendMonth(size_t count, bool after_hour) {
    if (count <= 2 && after_hour) return AppendNumber(civil_.minute, Digits(count));
    if (count <= 2) return AppendNumber(civil_.month, Digits(count));
    const size_t index = static_cast<size_t>(civil_.month - 1);
    AppendText(count == 3 ? regional_.short_month_names[index] : regional_.long_month_names[index]);
  }

  void AppendDay(size_t count, int nesting) {
    if (count <= 2) return AppendNumber(civil_.day, Digits(count));
    if (count == 3) return AppendText(ShortDayName());
    if (count == 4) return AppendText(LongDayName());
    AppendNested(count == 5 ? regional_.short_date_format : regional_.long_date_format, nesting);
  }

  void AppendDateAndTime(int nesting) {
    if (nesting >= kMaxNesting) return;
    AppendNested(regional_.short_date_format, nesting);
    if (civil_.hour == 0 && civil_.minute == 0 && civil_.second == 0) return;
    out_ += ' ';
    AppendNested(regional_.long_time_format, nesting);
  }

  // Before the first era there is no era name, and the year is the calendar year.
  void AppendEraName() {
    const Era* era = EraOf(civil_, regional_.eras);
    if (era != nullptr) AppendText(era->name);
  }

  void AppendEraYear(size_t count) {
    const Era* era = EraOf(civil_, regional_.eras);
    AppendNumber(era == nullptr ? civil_.year : civil_.year - era->start_year + 1, Digits(count));
  }

  void AppendNested(const std::string& format, int nesting) {
    if (nesting < kMaxNesting) Append(format, nesting + 1);
  }

  const std::string& ShortDayName() const {
    return regional_.short_day_names[static_cast<size_t>(civil_.day_of_week - 1)];
  }
  const std::string& LongDayName() const {
    return regional_.long_day_names[static_cast<size_t>(civil_.day_of_week - 1)];
  }

  void AppendText(std::string_view text) { AppendValidUtf8(out_, text); }

  void AppendNumber(int value, int min_digits) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const int length = static_cast<int>(end - digits);
    if (length < min_digits) out_.append(static_cast<size_t>(min_digits - length), '0');
    out_.append(digits, end);
  }

  const CivilTime civil_;
  const RegionalSettings& regional_;
  std::string out_;
};

}  // namespace

std::string_view TemplateFormat(std::string_view template_text) {
  return template_text.substr(0, template_text.find("  【"));
}

std::string CurrentDateFormat(const TSetting& setting) {
  if (setting.AssignWriteFmt == 1) return setting.WriteFmtStr;
  const auto index = static_cast<size_t>(std::clamp(setting.WriteFmtIdx, 0, 7));
  return std::string(TemplateFormat(kDateTemplates[index]));
}

std::string FormatDate(std::string_view format, DateTime time, const RegionalSettings& regional) {
  DateFormatter formatter(DecodeDateTime(time), regional);
  formatter.Append(format.empty() ? std::string_view("c") : format, 0);
  return formatter.Take();
}

}  // namespace zelvora
