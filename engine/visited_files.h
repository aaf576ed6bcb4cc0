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
  // Enters `file_name`; returns false when it (in any letter case) was already entered.
  bool Insert(std::string_view file_name) { return names_.emplace(file_name).second; }
  // True when `file_name` was entered in any letter case.
  bool Contains(std::string_view file_name) const {
    return names_.find(std::string(file_name)) != names_.end();
  }
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
    size_t operator()(const std::string& name) const;
  };
  struct FoldedEqual {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::unordered_set<std::string, FoldedHash, FoldedEqual> names_;  // as first entered
};

}  // namespace zelvora
