// The files already processed in a run, compared without regard to letter case, with
// constant-time lookups however many files a site has.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/paths.h"

namespace zelvora {

class VisitedFileSet {
 public:
  // Enters `file_name`; returns false when it (in any letter case) was already entered.
  bool Insert(std::string_view file_name) { return names_.insert(AsciiLower(file_name)).second; }
  bool Contains(std::string_view file_name) const {
    return names_.count(AsciiLower(file_name)) != 0;
  }
  void Clear() { names_.clear(); }
  size_t size() const { return names_.size(); }

 private:
  std::unordered_set<std::string> names_;  // case-folded names
};

}  // namespace zelvora
