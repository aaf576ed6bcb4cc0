// The files already processed in a run, compared without regard to letter case, with
// constant-time lookups however many files a site has.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace zelvora {

class VisitedFileSet {
 public:
  // Enters `file_name` and returns the set's own copy of it, which stays valid until Clear();
  // returns null when the name (in any letter case) was already entered.
  const std::string* Insert(std::string_view file_name) {
    const auto [entry, added] = names_.emplace(file_name);
    return added ? &*entry : nullptr;
  }
  // True when `file_name` was entered in any letter case.
  bool Contains(std::string_view file_name) const { return names_.find(file_name) != names_.end(); }
  // True when `file_name` was entered spelt exactly so.
  bool ContainsExactly(const std::string& file_name) const {
    const auto found = names_.find(file_name);
    return found != names_.end() && *found == file_name;
  }
  void Clear() { names_.clear(); }
  size_t size() const { return names_.size(); }

 private:
  // Hashing and equality that fold ASCII letters, so no folded copy of a name is made.
  struct FoldedHash {
    using is_transparent = void;  // lookups by string_view, without a copy
    size_t operator()(std::string_view name) const;
  };
  struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  std::unordered_set<std::string, FoldedHash, FoldedEqual> names_;  // as first entered
};

}  // namespace zelvora
