#include "links/tag_tokenizer.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace zelvora {
namespace {

// How many bytes after "<" decide a tag's kind.
constexpr size_t kPeekLength = 20;

char AsciiUpperByte(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringAsciiCase(char a, char b) { return AsciiUpperByte(a) == AsciiUpperByte(b); }

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), EqualIgnoringAsciiCase);
}

// Offset of the first occurrence of `needle` in `haystack` ignoring ASCII letter case, or
// npos. Compares in place, so a long tag is never copied.
size_t FindIgnoringAsciiCase(std::string_view haystack, std::string_view needle) {
  const auto found = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                                 EqualIgnoringAsciiCase);
  return found == haystack.end() && !needle.empty() ? std::string_view::npos
                                                    : static_cast<size_t>(found - haystack.begin());
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// `text` without leading and trailing bytes 0x00-0x20.
std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrControl(text.back())) text.remove_suffix(1);
  return text;
}

TagKind ClassifyPeek(std::string_view peek) {
  if (!peek.empty() && peek.front() == '!') return TagKind::tkDeclaration;
  if (StartsWithIgnoringAsciiCase(peek, "A HREF")) return TagKind::tkAnchor;
  if (StartsWithIgnoringAsciiCase(peek, "FRAME")) return TagKind::tkFrame;
  return TagKind::tkOther;
}

// The value in `rest` (the trimmed text after "="), by the quoting rules of GetAttributeValue.
std::string_view ValueOf(std::string_view rest) {
  if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
    const size_t closing = rest.find(rest.front(), 1);
    return closing == std::string_view::npos ? std::string_view() : rest.substr(1, closing - 1);
  }
  const size_t blank = rest.find(' ');
  if (blank != std::string_view::npos) return rest.substr(0, blank);
  return rest.empty() ? rest : rest.substr(0, rest.size() - 1);
}

int LineFromFeeds(size_t feeds) {
  return feeds >= static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(feeds) + 1;
}

}  // namespace

TagToken NextTag(std::string_view text, size_t from) {
  TagToken token;
  token.page = text;
  if (from >= text.size()) return token;
  const size_t open = text.find('<', from);
  if (open == std::string_view::npos) return token;
  const size_t close = text.find('>', open);
  if (close == std::string_view::npos) return token;
  token.kind = ClassifyPeek(text.substr(open + 1, kPeekLength));
  token.start = open;
  token.end = close;
  return token;
}

bool GetAttributeValue(std::string_view tag_text, std::string_view attribute, std::string* value) {
  const size_t name = FindIgnoringAsciiCase(tag_text, attribute);
  if (name == std::string_view::npos) return false;
  const std::string_view after_name = Trim(tag_text.substr(name + attribute.size()));
  const size_t equals = after_name.find('=');
  if (equals == std::string_view::npos) return false;
  value->assign(ValueOf(Trim(after_name.substr(equals + 1))));
  return true;
}

std::string_view CommentBody(std::string_view tag_text) {
  const size_t bang = tag_text.find('!');
  if (bang == std::string_view::npos) return {};
  const bool dashed = tag_text.substr(bang).starts_with("!--");
  const size_t body_start = bang + (dashed ? 3 : 1);
  // The closer is searched only after the opener, so "<!-->" never yields a negative length.
  size_t body_end = tag_text.find("-->", body_start);
  if (body_end == std::string_view::npos) {
    body_end = tag_text.ends_with('>') ? tag_text.size() - 1 : tag_text.size();
  }
  if (body_end <= body_start) return {};
  return tag_text.substr(body_start, body_end - body_start);
}

size_t CountLineEnds(std::string_view text, size_t from, size_t to) {
  // Branch-free in blocks small enough for one-byte counters, which the compiler turns into
  // vector instructions; short lines make a search from line end to line end slower.
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  const size_t paired_end = std::min(to, text.size() - (text.empty() ? 0 : 1));
  size_t count = 0;
  size_t i = from;
  while (i < paired_end) {
    const size_t block_end = std::min(paired_end, i + 255);
    unsigned char in_block = 0;
    for (; i < block_end; ++i) {
      in_block += static_cast<unsigned char>((data[i] == '\n') |
                                             ((data[i] == '\r') & (data[i + 1] != '\n')));
    }
    count += in_block;
  }
  // The text's last byte has nothing after it: a CR there ends a line too.
  if (i < to) count += (data[i] == '\n' || data[i] == '\r') ? 1 : 0;
  return count;
}

int LineNumberAt(std::string_view text, size_t pos) {
  return LineFromFeeds(CountLineEnds(text, 0, std::min(pos, text.size())));
}

int LineCounter::LineAt(size_t pos) {
  pos = std::min(pos, text_.size());
  if (pos >= known_pos_) {
    known_ends_ += CountLineEnds(text_, known_pos_, pos);
  } else if (pos < known_pos_ - pos) {
    known_ends_ = CountLineEnds(text_, 0, pos);
  } else {
    known_ends_ -= CountLineEnds(text_, pos, known_pos_);
  }
  known_pos_ = pos;
  return LineFromFeeds(known_ends_);
}

}  // namespace zelvora
