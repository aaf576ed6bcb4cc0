// A file's text as the work tree holds it, compared with the versions git keeps of it: the
// same outside their date areas, or named as the text without its date areas.
//
// Git may keep a file with LF line ends that the work tree has with CR LF (core.autocrlf,
// an eol attribute); such a text is compared in git's form too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zelvora {

class WorkTreeText {
 public:
  // `text` must outlive this. `modern_tags`: date areas are found as FollowAnyAnchor reads
  // tags.
  WorkTreeText(std::string_view text, bool modern_tags) : text_(text), modern_tags_(modern_tags) {}

  std::string_view text() const { return text_; }

  // True when `blob_name` (a version's object name) names the text itself: the file is as
  // git keeps that version.
  bool IsNamed(const std::string& blob_name);

  // True when the version `blob` (its content) is the same as the text outside their date
  // areas.
  bool SameOutsideDateAreas(std::string_view blob);

  // A size that every version equal to the text outside date areas has at least: the size
  // of the text without its date areas, less its CR LF line ends' CRs unless a version
  // already matched the text with them (git's form may lack them).
  uint64_t SmallestSizeWithoutDateAreas();

  // True when `blob_name` (a version's object name) names the text with its date areas
  // taken out: the version before a change that only put the date areas in, known without
  // reading it.
  bool NamesTextWithoutDateAreas(const std::string& blob_name);

 private:
  const std::string& LfText();
  // The text's date areas, found once.
  const std::vector<std::pair<size_t, size_t>>& Areas();

  std::string_view text_;
  bool modern_tags_;
  std::optional<std::vector<std::pair<size_t, size_t>>> areas_;
  std::optional<std::string> lf_text_;
  std::optional<uint64_t> stripped_size_;
  uint64_t lf_stripped_size_ = 0;
  bool git_form_as_is_ = false;  // a version matched the text with its own line ends
  // The names of the text without its date areas, as it is and with LF line ends, worked
  // out when first needed; by the length of an object name (SHA-1 or SHA-256).
  struct StrippedNames {
    std::optional<std::string> as_is;
    std::optional<std::string> lf;
  };
  std::unordered_map<size_t, StrippedNames> stripped_names_;
};

// The object name git gives a file whose content is `text` without its date areas; "" when
// that content would still hold a date area's word, or `name_length` is neither an SHA-1's
// (40) nor an SHA-256's (64) length.
std::string BlobNameWithoutDateAreas(std::string_view text, size_t name_length, bool modern_tags);

}  // namespace zelvora
