// The line model of a page: a page is read as lines that end at CR LF, a lone CR or a lone
// LF, and is written with CR LF after every line, the last one included. The scan reads a
// page as it is (its line numbers count every kind of line end, see CountLineEnds); only the
// stamped text is brought into this form.
//
// Unlike a reader that stops at the first NUL byte, every byte of the page is kept: a NUL is
// ordinary content here, so writing a stamped page never loses what follows one.
#pragma once

#include <string>

namespace zelvora {

// `bytes` with every line end turned into CR LF and a CR LF after the last line when it has
// none. Empty input stays empty. Text already in that form is returned as it is, uncopied.
std::string WithCrLfLineEnds(std::string bytes);

}  // namespace zelvora
