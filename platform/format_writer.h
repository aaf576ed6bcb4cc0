// Writing a format in the program's date format language (the language of engine/date_format.h)
// from specifiers and literal text, for the translations of a system's own date formats.
#pragma once

#include <string>
#include <string_view>

namespace zelvora {

class FormatWriter {
 public:
  // Appends literal text: letters and other characters that would not copy as they are go in
  // double quotes, a double quote itself in single quotes and vice versa. "/" and ":" stay
  // unquoted, and so stand for the locale's separators.
  void AddLiteral(std::string_view text);

  // Appends a specifier such as "yyyy", "nn" or "ampm"; an empty quote parts it from a run of
  // the same letter just before it, which would otherwise read as one longer run.
  void AddSpecifier(std::string_view form);

  const std::string& text() const { return out_; }

 private:
  std::string out_;
  bool last_is_specifier_letter_ = false;
};

}  // namespace zelvora
