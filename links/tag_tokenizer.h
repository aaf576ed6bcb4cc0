// The tag tokenizer and attribute reader that the stamp scan uses to walk a page tag by tag.
//
// Everything here works on the page's raw bytes, whatever its charset: tags, keywords and
// attribute names are ASCII, and only ASCII letters are folded when comparing them. All
// positions in this API are 0-based byte offsets into the text passed in. Nothing here
// allocates a copy of the page or of a tag: results are views into the caller's text, valid
// while that text is alive and unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelvora {

enum class TagKind : uint8_t {
  tkNone = 0,         // no further complete tag: the scan of the page ends
  tkOther = 1,        // any tag not listed below
  tkDeclaration = 2,  // "<!": comments and declarations
  tkFrame = 3,        // "<FRAME" (FRAMESET too)
  tkAnchor = 4,       // "<A HREF" with exactly one blank
};

// One tag found by NextTag. For tkNone only `kind` is meaningful.
struct TagToken {
  TagKind kind = TagKind::tkNone;
  size_t start = 0;       // offset of the "<"
  size_t end = 0;         // offset of the first ">" at or after `start`
  std::string_view page;  // the text the token was found in

  // The tag as written, "<" and ">" included: a view into `page` (empty for tkNone).
  std::string_view text() const {
    return kind == TagKind::tkNone ? std::string_view() : page.substr(start, end - start + 1);
  }
  // Offset just after the ">", where the scan continues.
  size_t after() const { return end + 1; }
};

// The next tag at or after offset `from`: finds the first "<", classifies it by the (up to)
// 20 bytes after it, upper-cased ("!" declaration, "A HREF" anchor, "FRAME" frame, anything
// else other), and ends it at the first ">" after the "<" even when that ">" lies inside a
// quoted value or a comment. Returns tkNone when no "<" follows `from` or no ">" follows that
// "<" (the rest of the page is then never scanned). `from` beyond the text gives tkNone.
TagToken NextTag(std::string_view text, size_t from);

// Reads the value of `attribute` ("SRC" or "A HREF") from a link tag's text. The attribute is
// the first occurrence of `attribute` anywhere in the tag, ignoring ASCII letter case (for
// "SRC" that may be inside another name or value). The text after it, trimmed of bytes
// 0x00-0x20, must contain "="; the text after that "=", trimmed again, is the rest:
//  - a rest that begins with a double or a single quote gives the text up to the next quote
//    of the same kind, or an empty value when there is none;
//  - otherwise the value runs up to the first blank (0x20 only: tab, CR and LF do not end
//    it), or is the rest without its last byte (the ">") when it holds no blank.
// Returns false, leaving `*value` untouched, when the attribute or the "=" is missing; true
// with `*value` set otherwise (an empty value is a success). The value is raw page bytes:
// no decoding of escapes, entities or charset. Linear in the tag's length. `value` must not
// be null.
bool GetAttributeValue(std::string_view tag_text, std::string_view attribute, std::string* value);

// The body of a declaration tag's text (a view into `tag_text`). The opener is "!--" when
// the tag's first "!" begins "!--", otherwise that first "!". The body starts right after the
// opener and ends just before the first "-->" that follows the opener, or else just before
// the closing ">" (the tag's last byte when it is ">"). Shapes where the "-->" would overlap
// the opener, such as "<!-->" and "<!--->", give the bytes between opener and ">" ("" and
// "-"). A text without "!" has an empty body.
std::string_view CommentBody(std::string_view tag_text);

// The number of line ends among the bytes [from, to) of `text`: each LF, and each CR that no
// LF follows (a line of an old Mac page). Lines therefore count the same whether a page ends
// its lines with CR LF, LF or CR, and a page is scanned as it was read. `to` is at most the
// text's size.
size_t CountLineEnds(std::string_view text, size_t from, size_t to);

// The line of offset `pos`: 1 + the number of line ends before it. For a link, `pos` is the
// offset just after the tag's ">", so the line is the one on which the tag ends. `pos`
// beyond the text counts the whole text. Linear in `pos`; a scan asking for many positions
// should use LineCounter instead.
int LineNumberAt(std::string_view text, size_t pos);

// Answers LineNumberAt for one fixed text without rescanning it from the start: it keeps the
// last position asked and its line, and counts only the bytes between that position and the
// next one asked, forwards or backwards (or from the start of the text when that is nearer).
// A scan that asks for increasing positions therefore reads the text once in total.
//
// The counter holds a view: `text` must outlive it and must not change while it is used. A
// scan that rewrites a page must ask about positions in its unchanged input, not in the
// text it is building.
class LineCounter {
 public:
  explicit LineCounter(std::string_view text) : text_(text) {}

  // Same result as LineNumberAt(text, pos).
  int LineAt(size_t pos);

 private:
  std::string_view text_;
  size_t known_pos_ = 0;   // a position already counted
  size_t known_ends_ = 0;  // line ends before known_pos_
};

}  // namespace zelvora
