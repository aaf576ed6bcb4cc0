#include "engine/date_areas.h"

#include "links/tag_tokenizer.h"

namespace zelvora {
namespace {

bool Contains(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

}  // namespace

std::string WithoutDateAreas(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  size_t copied = 0;      // the bytes before this offset are dealt with
  size_t area_start = 0;  // where the open area's content begins
  bool in_area = false;
  for (TagToken tag = NextTag(text, 0); tag.kind != TagKind::tkNone;
       tag = NextTag(text, tag.after())) {
    if (tag.kind != TagKind::tkDeclaration) continue;
    const std::string_view body = CommentBody(tag.text());
    if (!Contains(body, "#ZELV#")) continue;
    if (!in_area && Contains(body, "($BEGIN)")) {
      in_area = true;
      area_start = tag.after();
    } else if (in_area && Contains(body, "($END)")) {
      kept.append(text.substr(copied, area_start - copied));
      copied = tag.start;
      in_area = false;
    }
  }
  kept.append(text.substr(copied));
  return kept;
}

bool SameOutsideDateAreas(std::string_view a, std::string_view b) {
  return a == b || WithoutDateAreas(a) == WithoutDateAreas(b);
}

}  // namespace zelvora
