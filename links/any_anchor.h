// The link grammar of modern hand-written markup, used instead of the classic one when the
// FollowAnyAnchor option is on: an anchor is any "<a" start tag (the name followed by a
// blank, tab or line end) that has an HREF attribute among its attributes, wherever it
// stands; a frame is a "<frame" or "<iframe" start tag with a SRC attribute. Tags that merely
// begin with "a" or "frame" ("<area>", "<abbr>", "<frameset>") are neither.
//
// Like the classic tokenizer, this works on raw page bytes and folds only ASCII letters; the
// tag text is what NextTag found, "<" through its first ">".
#pragma once

#include <string>
#include <string_view>

#include "links/tag_tokenizer.h"

namespace zelvora {

// The offset of the ">" that ends the tag whose "<" is at offset `open` of `text`, by the
// tag syntax of HTML: in a start tag (its name begins with an ASCII letter) a ">" inside a
// quoted attribute value does not end the tag, so `<a title="a>b" href="x.htm">` is one tag.
// Any other tag, and a start tag with a quote that is never closed, ends at the first ">"
// (as NextTag ends it). npos when no ">" follows. Preconditions: `text[open]` is "<".
size_t EndOfStartTag(std::string_view text, size_t open);

// tkAnchor for an anchor with an HREF attribute, tkFrame for a frame or inline frame with a
// SRC attribute, tkDeclaration for a tag beginning "<!", tkOther for everything else.
TagKind ClassifyAnyAnchor(std::string_view tag_text);

// Reads the attribute `name` (ASCII letters compared without case) from a start tag, by the
// attribute syntax of HTML: names and values are separated by blanks, tabs or line ends; a
// value follows "=" (blanks around it allowed) and is quoted with " or ', or runs unquoted up
// to the next blank, tab, line end or ">". Only a whole attribute name matches ("data-href"
// is not "href"). Returns false, leaving `*value` untouched, when the tag has no such
// attribute, the attribute has no "=", or its quote is not closed within the tag; otherwise
// true with the raw value (an empty value is a success). `value` must not be null.
bool GetNamedAttribute(std::string_view tag_text, std::string_view name, std::string* value);

}  // namespace zelvora
