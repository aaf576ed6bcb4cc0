// Two versions of one page compared outside the text of their date areas: how a run tells a
// page that another run stamped meanwhile (only dates differ) from one that was edited.
#pragma once

#include <string>
#include <string_view>

namespace zelvora {

// `text` without the content of its date areas: the bytes between a begin mark and the next
// end mark are left out, the marks themselves kept. Marks are comment tags whose body holds
// "#ZELV#" and "($BEGIN)" or "($END)", found tag by tag as the stamp scan finds them; a begin
// mark inside an area belongs to the area, and an area without its end mark is kept whole.
std::string WithoutDateAreas(std::string_view text);

// True when `a` and `b` differ at most in the content of their date areas.
bool SameOutsideDateAreas(std::string_view a, std::string_view b);

}  // namespace zelvora
