// Walks a page tag by tag as the stamp scan does, checking what the tag reader promises: each
// tag starts at a "<" at or after where the walk stands and ends at the first ">" after it,
// a comment body lies inside its tag, and line numbers agree however they are asked for.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "links/tag_tokenizer.h"

namespace zelvora {
namespace {

void CheckTag(std::string_view page, size_t from, const TagToken& tag) {
  FUZZ_CHECK(tag.start >= from && tag.start < tag.end && tag.end < page.size());
  FUZZ_CHECK(page[tag.start] == '<' && page[tag.end] == '>');
  FUZZ_CHECK(page.substr(from, tag.start - from).find('<') == std::string_view::npos);
  FUZZ_CHECK(page.substr(tag.start, tag.end - tag.start).find('>') == std::string_view::npos);
  const std::string_view text = tag.text();
  FUZZ_CHECK(text.data() == page.data() + tag.start && text.size() == tag.end - tag.start + 1);
  const std::string_view body = CommentBody(text);
  if (!body.empty()) {
    FUZZ_CHECK(body.data() > text.data() && body.data() + body.size() <= text.data() + text.size());
  }
  if (tag.kind == TagKind::tkDeclaration) FUZZ_CHECK(page[tag.start + 1] == '!');
}

// The line counter must give what a count from the start gives, for positions asked in any
// order: the tags' ends forwards, then backwards. A count from the start costs the whole text,
// so only a few dozen positions are compared with it.
void CheckLines(std::string_view page, const std::vector<size_t>& positions) {
  const size_t step = positions.size() / 32 + 1;
  LineCounter counter(page);
  for (size_t i = 0; i < positions.size(); ++i) {
    const int line = counter.LineAt(positions[i]);
    if (i % step == 0) FUZZ_CHECK(line == LineNumberAt(page, positions[i]));
  }
  for (size_t i = positions.size(); i-- > 0;) {
    const int line = counter.LineAt(positions[i]);
    if (i % step == 0) FUZZ_CHECK(line == LineNumberAt(page, positions[i]));
  }
  FUZZ_CHECK(counter.LineAt(page.size() + 1) == LineNumberAt(page, page.size()));
  FUZZ_CHECK(CountLineEnds(page, 0, page.size()) + 1 ==
             static_cast<size_t>(LineNumberAt(page, page.size())));
}

}  // namespace
}  // namespace zelvora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelvora;
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  std::vector<size_t> positions;
  size_t from = 0;
  for (;;) {
    const TagToken tag = NextTag(page, from);
    if (tag.kind == TagKind::tkNone) {
      // Either no "<" is left, or no ">" follows the next one.
      const size_t open = page.find('<', from);
      FUZZ_CHECK(open == std::string_view::npos || page.find('>', open) == std::string_view::npos);
      FUZZ_CHECK(tag.text().empty());
      break;
    }
    CheckTag(page, from, tag);
    positions.push_back(tag.after());
    from = tag.after();
  }
  CheckLines(page, positions);
  return 0;
}
