// File-name wildcards with the rules users know from Windows: "*" matches any run of
// characters, "?" any one character, letters match without regard to case, and a pattern
// ending in ".*" also matches names without a dot ("*.*" matches every name).
#pragma once

#include <string_view>

namespace zelvora {

// True when `pattern` holds "*" or "?".
bool HasWildcard(std::string_view pattern);

// True when `name` (one name, no folder part) matches `pattern`. A multi-byte UTF-8
// character counts as one character for "?" and is never split.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace zelvora
