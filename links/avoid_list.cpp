#include "links/avoid_list.h"

#include <string_view>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/wildcard.h"
#include "run/run_context.h"

namespace zelvora {
namespace {

// A name or folder as the system compares file names.
std::string AsTheSystemCompares(std::string_view name) { return FileNameKey(name); }

// Adds the lower-cased names of the files in `folder` that match any of `patterns`. The
// folder is listed once for all of them.
void AddMatchingNames(FileSystem& fs, const std::string& folder,
                      const std::vector<std::string_view>& patterns, std::set<std::string>* names) {
  if (patterns.empty()) return;
  auto entries = fs.ListFolder(folder.empty() ? std::string(".") : folder);
  if (!entries.ok()) return;  // an unreadable folder excludes nothing by pattern
  for (const FolderEntry& entry : *entries) {
    if (entry.is_folder || IsTemporaryName(entry.name)) continue;
    for (const std::string_view pattern : patterns) {
      if (MatchesWildcard(pattern, entry.name)) {
        names->insert(AsciiLower(entry.name));
        break;
      }
    }
  }
}

}  // namespace

bool IsAvoided(RunContext& context, const std::string& full_path) {
  if (!context.settings.EnableAvoidList) return false;
  const std::string folder(FolderPart(full_path));
  const AvoidCacheMap& cache = context.state.Caches.Of<AvoidCacheMap>();
  const auto cached = cache.find(folder);
  const AvoidSet& avoided = cached != cache.end() ? cached->second : BuildAvoidSet(context, folder);
  const std::string_view name = NamePart(full_path);
  return avoided.matched.count(AsciiLower(name)) != 0 ||
         avoided.listed.count(AsTheSystemCompares(name)) != 0;
}

const AvoidSet& BuildAvoidSet(RunContext& context, const std::string& folder) {
  AvoidSet avoided;
  std::vector<std::string_view> bare_patterns;
  const std::string compared_folder = AsTheSystemCompares(folder);
  for (const std::string& entry : context.settings.AvoidList) {
    if (entry.empty()) continue;
    const std::string_view entry_folder = FolderPart(entry);
    if (entry_folder.empty()) {
      bare_patterns.push_back(entry);
    } else if (IsAbsolutePath(entry_folder) &&
               AsTheSystemCompares(entry_folder) == compared_folder) {
      // Only a folder given in full applies. The name is taken literally: a wildcard here
      // names a file of that very name.
      avoided.listed.insert(AsTheSystemCompares(NamePart(entry)));
    }
  }
  AddMatchingNames(context.fs, folder, bare_patterns, &avoided.matched);
  AvoidSet& stored = context.state.Caches.Of<AvoidCacheMap>()[folder];
  stored = std::move(avoided);
  return stored;
}

}  // namespace zelvora
