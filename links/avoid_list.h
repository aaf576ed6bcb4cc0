// The avoid list: names and wildcard patterns of files that link following passes over.
#pragma once

#include <map>
#include <set>
#include <string>

namespace zelvora {

struct RunContext;

// What the avoid list excludes in one folder.
struct AvoidSet {
  // Names of the folder's files that a bare pattern matches, lower-cased: patterns ignore
  // letter case.
  std::set<std::string> matched;
  // Names that entries with this very folder list: as written where file names keep their
  // letter case ("News.htm" is not "news.htm"), lower-cased where the system ignores it.
  std::set<std::string> listed;
};

// Per-run cache: a folder (as produced by FolderPart, compared byte by byte) to what the
// avoid list excludes in it. Emptied at the start of every run.
using AvoidCacheMap = std::map<std::string, AvoidSet>;

// True when `full_path` is excluded by the avoid list of the live settings. Always false when
// EnableAvoidList is off. Builds the folder's set in the run's AvoidCache on first use.
bool IsAvoided(RunContext& context, const std::string& full_path);

// What the avoid list excludes in `folder` (with its trailing "/"): bare patterns are matched
// against the folder's files ignoring letter case; an entry with a folder part names exactly
// one file, and only when its folder is `folder` — compared, like the name, as the system
// compares file names (FileNamesIgnoreCase). Stores the set in the run's AvoidCache and
// returns it.
const AvoidSet& BuildAvoidSet(RunContext& context, const std::string& folder);

}  // namespace zelvora
