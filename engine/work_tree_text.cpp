#include "engine/work_tree_text.h"

#include <algorithm>

#include "engine/date_areas.h"
#include "platform/digest.h"

namespace zelvora {

namespace {

// The object name of `text` without the date areas `areas` (its own, in text order).
std::string NameWithout(std::string_view text, const std::vector<std::pair<size_t, size_t>>& areas,
                        size_t name_length) {
  if (name_length != 40 && name_length != 64) return std::string();
  std::vector<std::string_view> pieces = {std::string_view()};  // the header comes first
  size_t size = 0;
  size_t from = 0;
  const auto keep = [&](size_t to) {
    pieces.push_back(text.substr(from, to - from));
    size += to - from;
  };
  for (const auto& [begin, end] : areas) {
    keep(begin);
    from = end;
  }
  keep(text.size());
  // Taking the areas out must leave a text without areas, or it is not what the areas were
  // put into.
  for (size_t i = 1; i < pieces.size(); ++i) {
    if (MayHoldDateAreas(pieces[i])) return std::string();
  }
  const std::string header = "blob " + std::to_string(size) + '\0';
  pieces[0] = header;
  return HexDigest(name_length == 40 ? DigestKind::kSha1 : DigestKind::kSha256, pieces);
}

}  // namespace

std::string BlobNameWithoutDateAreas(std::string_view text, size_t name_length, bool modern_tags) {
  return NameWithout(text, FindDateAreas(text, modern_tags), name_length);
}

bool WorkTreeText::IsNamed(const std::string& blob_name) {
  if (blob_name.size() != 40 && blob_name.size() != 64) return false;
  const DigestKind kind = blob_name.size() == 40 ? DigestKind::kSha1 : DigestKind::kSha256;
  const auto name_of = [kind](std::string_view text) {
    const std::string header = "blob " + std::to_string(text.size()) + '\0';
    return HexDigest(kind, {header, text});
  };
  if (name_of(text_) == blob_name) {
    git_form_as_is_ = true;
    return true;
  }
  return text_.find("\r\n") != std::string_view::npos && name_of(LfText()) == blob_name;
}

const std::vector<std::pair<size_t, size_t>>& WorkTreeText::Areas() {
  if (!areas_) areas_ = FindDateAreas(text_, modern_tags_);
  return *areas_;
}

const std::string& WorkTreeText::LfText() {
  if (!lf_text_) {
    std::string lf;
    lf.reserve(text_.size());
    size_t from = 0;
    for (size_t crlf = text_.find("\r\n"); crlf != std::string_view::npos;
         crlf = text_.find("\r\n", from)) {
      lf.append(text_, from, crlf - from);
      from = crlf + 1;  // the LF
    }
    lf.append(text_, from);
    lf_text_ = std::move(lf);
  }
  return *lf_text_;
}

bool WorkTreeText::SameOutsideDateAreas(std::string_view blob) {
  if (zelvora::SameOutsideDateAreas(blob, text_, modern_tags_)) {
    git_form_as_is_ = true;
    return true;
  }
  if (blob.find('\r') != std::string_view::npos || text_.find("\r\n") == std::string_view::npos) {
    return false;
  }
  return zelvora::SameOutsideDateAreas(blob, LfText(), modern_tags_);
}

uint64_t WorkTreeText::SmallestSizeWithoutDateAreas() {
  if (!stripped_size_) {
    uint64_t size = text_.size();
    for (const auto& [begin, end] : Areas()) size -= end - begin;
    stripped_size_ = size;
    for (size_t crlf = text_.find("\r\n"); crlf != std::string_view::npos && size > 0;
         crlf = text_.find("\r\n", crlf + 2)) {
      --size;
    }
    lf_stripped_size_ = size;
  }
  // Once a version matched the text as it is, git keeps its line ends as the work tree has
  // them.
  return git_form_as_is_ ? *stripped_size_ : lf_stripped_size_;
}

bool WorkTreeText::NamesTextWithoutDateAreas(const std::string& blob_name) {
  StrippedNames& names = stripped_names_[blob_name.size()];
  if (!names.as_is) names.as_is = NameWithout(text_, Areas(), blob_name.size());
  if (*names.as_is == blob_name) {
    git_form_as_is_ = true;
    return true;
  }
  if (text_.find("\r\n") == std::string_view::npos) return false;
  if (!names.lf) names.lf = BlobNameWithoutDateAreas(LfText(), blob_name.size(), modern_tags_);
  return *names.lf == blob_name;
}

}  // namespace zelvora
