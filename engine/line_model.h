// The line model of a page: a page is read as lines that end at CR LF, a lone CR or a lone
// LF, and is written with CR LF after every line, the last one included.
//
// Unlike a reader that stops at the first NUL byte, every byte of the page is kept: a NUL is
// ordinary content here, so writing a stamped page never loses what follows one.
#pragma once

#include <string>

namespace zelvora {

// `bytes` with every line end turned into CR LF and a CR LF after the last line when it has
// none. Empty input stays empty. Text already in that form is returned as it is, uncopied.
std::string WithCrLfLineEnds(std::string bytes);

// The text a page is scanned in. Lines are counted by their LFs, so a page whose lines end
// in CR LF or in LF alone is scanned as it is, uncopied; only a page with a lone CR (which
// ends a line too) is turned into CR LF form first. Whatever the page's form, the stamped
// text is written through WithCrLfLineEnds.
std::string TextForScan(std::string bytes);

}  // namespace zelvora
