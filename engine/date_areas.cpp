#include "engine/date_areas.h"

#include <algorithm>

#include "links/any_anchor.h"
#include "links/tag_tokenizer.h"

namespace zelvora {
namespace {

constexpr std::string_view kKeyword = "#ZELV#";
constexpr std::string_view kBeginWord = "($BEGIN)";
constexpr std::string_view kEndWord = "($END)";

enum class Mark { kNone, kKeywordMark, kBegin, kEnd, kBeginAndEnd };

Mark MarkOf(std::string_view tag_text) {
  const std::string_view body = CommentBody(tag_text);
  if (body.find(kKeyword) == std::string_view::npos) return Mark::kNone;
  const bool begin = body.find(kBeginWord) != std::string_view::npos;
  const bool end = body.find(kEndWord) != std::string_view::npos;
  if (begin && end) return Mark::kBeginAndEnd;
  if (begin) return Mark::kBegin;
  return end ? Mark::kEnd : Mark::kKeywordMark;
}

// The text outside the date areas, walked piece by piece.
class OutsideAreas {
 public:
  OutsideAreas(std::string_view text, bool modern_tags)
      : text_(text), areas_(FindDateAreas(text, modern_tags)) {
    Settle();
  }
  bool AtEnd() const { return pos_ >= text_.size(); }
  // The bytes from here up to the next area or the end.
  std::string_view Piece() const {
    const size_t end = next_ < areas_.size() ? areas_[next_].first : text_.size();
    return text_.substr(pos_, end - pos_);
  }
  void Advance(size_t count) {
    pos_ += count;
    Settle();
  }

 private:
  // Steps over the areas that start where reading stands.
  void Settle() {
    while (next_ < areas_.size() && areas_[next_].first <= pos_) {
      pos_ = std::max(pos_, areas_[next_].second);
      ++next_;
    }
  }
  std::string_view text_;
  std::vector<std::pair<size_t, size_t>> areas_;
  size_t next_ = 0;
  size_t pos_ = 0;
};

}  // namespace

std::vector<std::pair<size_t, size_t>> FindDateAreas(std::string_view text, bool modern_tags) {
  enum class State { kIdle, kMarkSeen, kInPair } state = State::kIdle;
  std::vector<std::pair<size_t, size_t>> areas;
  size_t area_start = 0;
  size_t pos = 0;
  for (;;) {
    TagToken tag = NextTag(text, pos);
    if (tag.kind == TagKind::tkNone) break;
    if (tag.kind != TagKind::tkDeclaration) {
      pos = (modern_tags ? EndOfStartTag(text, tag.start) : tag.end) + 1;
      continue;
    }
    pos = tag.end + 1;
    const Mark mark = MarkOf(tag.text());
    if (mark == Mark::kNone) continue;
    const bool begin = mark == Mark::kBegin || mark == Mark::kBeginAndEnd;
    const bool end = mark == Mark::kEnd || mark == Mark::kBeginAndEnd;
    switch (state) {
      case State::kIdle:
        // A begin or end mark without its keyword mark is passed over.
        if (mark == Mark::kKeywordMark) state = State::kMarkSeen;
        break;
      case State::kMarkSeen:
        // An end mark here is passed over; a second keyword mark starts anew.
        if (!end && begin) {
          state = State::kInPair;
          area_start = tag.start;
        }
        break;
      case State::kInPair:
        if (begin) break;  // a second begin mark lies inside the area
        if (end) {
          areas.emplace_back(area_start, tag.end + 1);
          state = State::kIdle;
        } else {
          state = State::kMarkSeen;  // a keyword mark: the area is abandoned
        }
        break;
    }
  }
  return areas;
}

bool SameOutsideDateAreas(std::string_view a, std::string_view b, bool modern_tags) {
  if (!MayHoldDateAreas(a) && !MayHoldDateAreas(b)) return a == b;
  OutsideAreas left(a, modern_tags);
  OutsideAreas right(b, modern_tags);
  while (!left.AtEnd() && !right.AtEnd()) {
    const std::string_view x = left.Piece();
    const std::string_view y = right.Piece();
    const size_t common = std::min(x.size(), y.size());
    if (x.substr(0, common) != y.substr(0, common)) return false;
    left.Advance(common);
    right.Advance(common);
  }
  return left.AtEnd() && right.AtEnd();
}

bool MayHoldDateAreas(std::string_view text) {
  return text.find(kBeginWord) != std::string_view::npos;
}

}  // namespace zelvora
