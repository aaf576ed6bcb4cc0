#include "links/any_anchor.h"

#include <algorithm>
#include <optional>

namespace zelvora {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return fold(x) == fold(y); });
}

// Walks the attributes of a start tag, one at a time.
class AttributeReader {
 public:
  // `tag_text` is "<name ...>"; reading starts after the tag's name.
  explicit AttributeReader(std::string_view tag_text) : text_(tag_text) {
    const size_t start = text_.empty() ? 0 : 1;
    pos_ = start;
    while (pos_ < text_.size() && !IsSpace(text_[pos_]) && text_[pos_] != '>' &&
           text_[pos_] != '/') {
      ++pos_;
    }
    name_ = text_.substr(start, pos_ - start);
  }

  std::string_view TagName() const { return name_; }
  // The offset in the text where reading stands: at the ">" that ends the tag once Next()
  // has returned nothing, unless the text ended first.
  size_t position() const { return pos_; }
  // True when a quoted value was not closed within the text.
  bool unclosed_quote() const { return unclosed_quote_; }
  // True when the name is followed by a blank, tab or line end, as a tag with attributes is.
  bool NameEndsInSpace() const { return pos_ < text_.size() && IsSpace(text_[pos_]); }

  struct Attribute {
    std::string_view name;
    std::optional<std::string_view> value;  // none: no "=", or an unclosed quote
  };

  // The next attribute, or nothing at the end of the tag.
  std::optional<Attribute> Next() {
    while (pos_ < text_.size() && (IsSpace(text_[pos_]) || text_[pos_] == '/')) ++pos_;
    if (pos_ >= text_.size() || text_[pos_] == '>') return std::nullopt;
    const size_t name_start = pos_;
    // The first character belongs to the name even when it is "=", as in HTML.
    ++pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_]) && text_[pos_] != '=' &&
           text_[pos_] != '>' && text_[pos_] != '/') {
      ++pos_;
    }
    Attribute attribute{text_.substr(name_start, pos_ - name_start), std::nullopt};
    SkipSpaces();
    if (pos_ >= text_.size() || text_[pos_] != '=') return attribute;
    ++pos_;
    SkipSpaces();
    if (pos_ < text_.size() && (text_[pos_] == '"' || text_[pos_] == '\'')) {
      const size_t closing = text_.find(text_[pos_], pos_ + 1);
      if (closing == std::string_view::npos) {
        pos_ = text_.size();
        unclosed_quote_ = true;
        return attribute;
      }
      attribute.value = text_.substr(pos_ + 1, closing - pos_ - 1);
      pos_ = closing + 1;
      return attribute;
    }
    const size_t value_start = pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_]) && text_[pos_] != '>') ++pos_;
    attribute.value = text_.substr(value_start, pos_ - value_start);
    return attribute;
  }

 private:
  void SkipSpaces() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }

  std::string_view text_;
  std::string_view name_;
  size_t pos_ = 0;
  bool unclosed_quote_ = false;
};

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool HasAttribute(std::string_view tag_text, std::string_view name) {
  AttributeReader reader(tag_text);
  while (const auto attribute = reader.Next()) {
    if (SameIgnoringAsciiCase(attribute->name, name)) return true;
  }
  return false;
}

}  // namespace

size_t EndOfStartTag(std::string_view text, size_t open) {
  const size_t first = text.find('>', open);
  if (first == std::string_view::npos || open + 1 >= text.size() ||
      !IsAsciiLetter(text[open + 1])) {
    return first;
  }
  AttributeReader reader(text.substr(open));
  while (reader.Next()) {
  }
  if (reader.unclosed_quote() || reader.position() >= text.size() - open) return first;
  return open + reader.position();
}

TagKind ClassifyAnyAnchor(std::string_view tag_text) {
  if (tag_text.size() >= 2 && tag_text[1] == '!') return TagKind::tkDeclaration;
  const AttributeReader reader(tag_text);
  if (!reader.NameEndsInSpace()) return TagKind::tkOther;
  const std::string_view name = reader.TagName();
  if (SameIgnoringAsciiCase(name, "a")) {
    return HasAttribute(tag_text, "href") ? TagKind::tkAnchor : TagKind::tkOther;
  }
  if (SameIgnoringAsciiCase(name, "frame") || SameIgnoringAsciiCase(name, "iframe")) {
    return HasAttribute(tag_text, "src") ? TagKind::tkFrame : TagKind::tkOther;
  }
  return TagKind::tkOther;
}

bool GetNamedAttribute(std::string_view tag_text, std::string_view name, std::string* value) {
  AttributeReader reader(tag_text);
  while (const auto attribute = reader.Next()) {
    if (!SameIgnoringAsciiCase(attribute->name, name)) continue;
    // The first attribute of a name counts, as in HTML; a later duplicate is ignored.
    if (!attribute->value) return false;
    value->assign(*attribute->value);
    return true;
  }
  return false;
}

}  // namespace zelvora
