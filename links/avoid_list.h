// The avoid list: names and wildcard patterns of files that link following passes over.
#pragma once

#include <map>
#include <set>
#include <string>

namespace zelvora {

struct RunContext;

// Per-run cache: a folder (as produced by FolderPart, compared byte by byte) to the set of
// lower-cased names that the avoid list excludes in it. Emptied at the start of every run.
using AvoidCacheMap = std::map<std::string, std::set<std::string>>;

// True when `full_path` is excluded by the avoid list of the live settings. Always false when
// EnableAvoidList is off. Builds the folder's set in the run's AvoidCache on first use.
bool IsAvoided(RunContext& context, const std::string& full_path);

// The lower-cased names that the avoid list excludes in `folder` (with its trailing "/"):
// bare patterns are matched against the folder's files; an entry with a folder part names
// exactly one file, and only when its folder equals `folder` ignoring letter case. Stores the
// set in the run's AvoidCache and returns it.
const std::set<std::string>& BuildAvoidSet(RunContext& context, const std::string& folder);

}  // namespace zelvora
