// The date areas of a page as the stamp scan finds them: from the "<" of a begin mark that
// follows a keyword mark to the ">" of its end mark. Two versions of a page that differ only
// there differ only by their stamps.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace zelvora {

// The date areas of `text`, each as the offsets [begin mark's "<", end mark's ">" + 1), in
// text order. Marks are read by the scan's rules: a begin mark counts only after a keyword
// mark, a keyword mark inside an area abandons it, a second begin mark stays inside it.
// `modern_tags`: the tags are read as the FollowAnyAnchor option reads them (a ">" inside a
// quoted value does not end a start tag, so a mark written there is no mark).
std::vector<std::pair<size_t, size_t>> FindDateAreas(std::string_view text, bool modern_tags);

// True when `a` and `b` are the same text once every date area is taken out of each.
bool SameOutsideDateAreas(std::string_view a, std::string_view b, bool modern_tags);

// True when `text` holds a begin mark's word: only such a text can hold a date area.
bool MayHoldDateAreas(std::string_view text);

}  // namespace zelvora
