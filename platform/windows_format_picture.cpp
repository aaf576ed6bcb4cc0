#include <string>

#include "platform/format_writer.h"
#include "platform/regional_settings.h"

namespace zelvora {
namespace {

// The program's form of `count` letters `letter` of a Windows picture; empty for a letter
// that is no specifier there.
std::string_view FormOf(char letter, size_t count, bool after_era) {
  const bool one = count == 1;
  switch (letter) {
    case 'd':
      return count == 1 ? "d" : count == 2 ? "dd" : count == 3 ? "ddd" : "dddd";
    case 'M':
      return count == 1 ? "m" : count == 2 ? "mm" : count == 3 ? "mmm" : "mmmm";
    case 'y':
      // After an era the year counts within it; the program has no unpadded two-digit year.
      if (after_era) return one ? "e" : "ee";
      return count <= 2 ? "yy" : "yyyy";
    case 'g':
      return one ? "g" : "gg";
    case 'h':
    case 'H':
      return one ? "h" : "hh";
    case 'm':
      return one ? "n" : "nn";
    case 's':
      return one ? "s" : "ss";
    case 't':
      return "ampm";
    default:
      return "";
  }
}

// Adds the quoted text that begins at `picture[start]` (a quote) and returns the position
// after it. Quoted text runs to the next quote that is not doubled; two quotes stand for one,
// inside quoted text as outside it ("''").
size_t AddQuoted(std::string_view picture, size_t start, FormatWriter& format) {
  std::string text;
  size_t pos = start + 1;
  while (pos < picture.size()) {
    if (picture[pos] != '\'') {
      text += picture[pos++];
    } else if (pos + 1 < picture.size() && picture[pos + 1] == '\'') {
      text += '\'';
      pos += 2;
    } else {
      ++pos;  // the closing quote
      if (text.empty()) text = "'";
      break;
    }
  }
  format.AddLiteral(text);
  return pos;
}

}  // namespace

std::string TranslateWindowsFormatPicture(std::string_view picture) {
  FormatWriter format;
  bool after_era = false;
  size_t pos = 0;
  while (pos < picture.size()) {
    const char c = picture[pos];
    if (c == '\'') {
      pos = AddQuoted(picture, pos, format);
      continue;
    }
    size_t run = 1;
    while (pos + run < picture.size() && picture[pos + run] == c) ++run;
    const std::string_view form = FormOf(c, run, after_era);
    if (!form.empty()) {
      format.AddSpecifier(form);
      after_era = after_era || c == 'g';
      pos += run;
      continue;
    }
    // Literal text, up to the next specifier or quote, in one piece ("年" is three bytes).
    size_t end = pos + run;
    while (end < picture.size() && picture[end] != '\'' &&
           FormOf(picture[end], 1, after_era).empty()) {
      ++end;
    }
    format.AddLiteral(picture.substr(pos, end - pos));
    pos = end;
  }
  return format.text();
}

}  // namespace zelvora
