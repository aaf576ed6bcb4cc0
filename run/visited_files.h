// The files already processed in a run. On Linux two names that differ in letter case are two
// files (on Windows they are one, and are compared so), and one file may have several names
// (symbolic and hard links, "./" and "../" spellings), so a file counts as visited by its identity
// (device and file number) once it has been opened; the names entered serve as the quick test
// before a file is opened, and for files that could not be opened at all. Lookups take constant
// time however many files a site has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/file_system.h"
#include "platform/paths.h"

namespace zelvora {

class VisitedFileSet {
 public:
  // Enters `file_name` and returns the set's own copy of it, which stays valid until Clear();
  // returns null when the name was already entered: spelt exactly so, or on a system whose
  // names ignore letter case (Windows) in any letter case.
  const std::string* Insert(std::string_view file_name) {
    if (!FileNamesIgnoreCase()) {
      const auto [entry, added] = names_.emplace(file_name);
      return added ? &*entry : nullptr;
    }
    const auto [entry, added] = names_by_key_.try_emplace(FileNameKey(file_name), file_name);
    return added ? &entry->second : nullptr;
  }
  // True when `file_name` was entered, as Insert compares names.
  bool Contains(std::string_view file_name) const {
    if (!FileNamesIgnoreCase()) return names_.find(file_name) != names_.end();
    return names_by_key_.find(FileNameKey(file_name)) != names_by_key_.end();
  }
  // Enters the file that `info` describes (as read); false when that file was entered before,
  // under whatever name.
  bool InsertFile(const FileInfo& info) { return files_.insert({info.device, info.inode}).second; }
  void Clear() {
    names_.clear();
    names_by_key_.clear();
    files_.clear();
  }
  size_t size() const { return names_.size() + names_by_key_.size(); }

 private:
  struct NameHash {
    using is_transparent = void;  // lookups by string_view, without a copy
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>()(name); }
  };
  struct FileId {
    uint64_t device;
    uint64_t inode;
    bool operator==(const FileId&) const = default;
  };
  struct FileIdHash {
    size_t operator()(const FileId& id) const {
      return static_cast<size_t>((id.inode * 0x9E3779B97F4A7C15ULL) ^ id.device);
    }
  };
  std::unordered_set<std::string, NameHash, std::equal_to<>> names_;
  std::unordered_map<std::string, std::string> names_by_key_;  // FileNameKey to the name
  std::unordered_set<FileId, FileIdHash> files_;
};

}  // namespace zelvora
