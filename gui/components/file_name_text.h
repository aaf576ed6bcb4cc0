// Names on disk are bytes; the windows show and take text. These helpers turn one into the
// other the same way everywhere, so that a name that is not valid UTF-8 is still shown
// readably and still reaches the exact file.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace zelvora::gui {

// How a name (or a path) on disk is shown: valid UTF-8 as it is; otherwise read as Shift_JIS
// (CP932), the encoding of older Japanese file names, when it reads as that; otherwise with
// each byte that is not UTF-8 shown as the replacement character.
QString DisplayName(std::string_view bytes);

// The bytes of a name the user typed (UTF-8).
std::string TypedName(const QString& text);

// Whether two names on disk name the same thing when letter case is disregarded: equal bytes,
// or, when both are valid UTF-8, equal after Unicode case folding. Names in other encodings
// are compared byte for byte, since folding could change a byte inside a double-byte
// character.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// A folder as the file and folder dialogs keep it: without its trailing separator, except
// a root ("/", and a drive's "C:\\" on Windows).
std::string FolderWithoutTrailingSlash(std::string folder);

}  // namespace zelvora::gui
