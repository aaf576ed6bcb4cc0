#include "platform/format_writer.h"

namespace zelvora {
namespace {

// Character tests by hand on ASCII, so that they do not depend on the process's locale.
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

void FormatWriter::AddLiteral(std::string_view text) {
  bool quoting = false;
  for (char c : text) {
    const bool needs_quotes = IsAsciiLetter(c) || static_cast<unsigned char>(c) >= 0x80;
    if (quoting && !needs_quotes) {
      out_ += '"';
      quoting = false;
    }
    if (needs_quotes && !quoting) {
      out_ += '"';
      quoting = true;
    }
    if (c == '"') {
      out_ += "'\"'";
    } else if (c == '\'') {
      out_ += "\"'\"";
    } else {
      out_ += c;
    }
  }
  if (quoting) out_ += '"';
  if (!text.empty()) last_is_specifier_letter_ = false;
}

void FormatWriter::AddSpecifier(std::string_view form) {
  if (form.empty()) return;
  if (last_is_specifier_letter_ && ToLowerAscii(out_.back()) == ToLowerAscii(form.front())) {
    out_ += "\"\"";
  }
  out_ += form;
  last_is_specifier_letter_ = IsAsciiLetter(form.back());
}

}  // namespace zelvora
