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

}  // namespace

std::string TranslateWindowsFormatPicture(std::string_view picture) {
  FormatWriter format;
  bool after_era = false;
  size_t pos = 0;
  while (pos < picture.size()) {
    const char c = picture[pos];
    if (c == '\'') {
      // Quoted text runs to the next quote; two quotes stand for one.
      const size_t end = picture.find('\'', pos + 1);
      const std::string_view quoted =
          picture.substr(pos + 1, (end == std::string_view::npos ? picture.size() : end) - pos - 1);
      format.AddLiteral(quoted.empty() && end != std::string_view::npos ? "'" : quoted);
      pos = end == std::string_view::npos ? picture.size() : end + 1;
      continue;
    }
    size_t run = 1;
    while (pos + run < picture.size() && picture[pos + run] == c) ++run;
    const std::string_view form = FormOf(c, run, after_era);
    if (form.empty()) {
      format.AddLiteral(picture.substr(pos, run));
    } else {
      format.AddSpecifier(form);
      after_era = after_era || c == 'g';
    }
    pos += run;
  }
  return format.text();
}

}  // namespace zelvora
