// Turning a link target or an item of a date-source list into the existing local files it
// names, or into the reason it names none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace zelvora {

// The kind of a target, kept as the one-byte values the run has always used.
enum class TargetKind : uint8_t {
  trFound = 1,         // at least one existing file was appended to the list
  trNotFound = 255,    // nothing exists for the target
  trWebLink = 246,     // a web address: "http:", "https:", another scheme, or "//"
  trMailto = 247,      // a mail address ("mailto:")
  trJavaScript = 248,  // a script ("javascript:")
  trTel = 249,         // a telephone number ("tel:")
  trNoPath = 250,      // only a fragment ("#...") or a query ("?...")
};

// Where a target string was written: a link (whose "?" starts a query) or a date-source
// list (whose "?" is a wildcard character).
enum class TargetSource { kLink, kDateSourceList };

// Classifies `value` (decoded to UTF-8; a "\" in it is taken as "/") written in the file
// `linking_file`, and appends the existing files it names to `*targets` as full paths.
// A value is an address only when it begins with its scheme (any letter case; "http:",
// "https:", "mailto:", "javascript:" and "tel:" have kinds of their own, any other scheme of
// two or more characters is a web address) or with "//"; "page.htm?from=http://x" is a
// local page. An empty value stands for the linking file itself, appended exactly as given.
// Otherwise the fragment (and, in a link, the query) is cut off and the rest is resolved
// against the linking file's folder (a relative linking file's against the current folder); a
// folder stands for the files directly in it; a comma separates several patterns
// (ExpandFilePatterns). When that finds nothing and the rest holds "%XX" escapes, it is
// resolved once more with the escapes decoded ("my%20page.htm" is "my page.htm"), so a name
// that exists as written wins. A link that still names nothing and holds character
// references is read once more with them decoded, as a browser reads the attribute
// ("a&amp;b.htm" is "a&b.htm"; DecodeCharacterReferences). Whether a name exists is asked
// with FileSystem::Lookup. Never fails: a name the system cannot take (too long, bytes it
// refuses) does not exist.
// `known_file`, when given, names paths already known to be existing files (the files a run
// has processed): a plain target that it knows is taken without a lookup on disk.
// `site_root`, when not empty, is the folder the site is served from, as a web server sees
// it (a relative `site_root` is taken against the current folder): a value beginning with
// "/" starts there ("/css/site.css" is site_root + "css/site.css"), and ".." steps in such a
// value, or in a relative value written in a file below the root, never lead above it.
// Symbolic links below the root are followed wherever they point. Empty, a value beginning
// with "/" starts at the file system's root.
// Preconditions: `targets` is not null.
using KnownFile = std::function<bool(const std::string& path)>;
TargetKind ResolveTarget(FileSystem& fs, std::string_view value, std::string_view linking_file,
                         std::vector<std::string>* targets, const KnownFile& known_file = {},
                         TargetSource source = TargetSource::kLink,
                         std::string_view site_root = {});

// Appends the existing files named by `patterns`, a comma-separated list of paths (empty
// items are skipped), to `*list` and returns how many were appended. A relative item is
// resolved against `current_folder` (with its trailing "/"; when empty, relative items stay
// relative to the process's current folder). An item with "*" or "?" in its name part is
// matched against the names in its folder (MatchesWildcard), hidden files included, folders
// excluded, sorted by name ignoring ASCII case; other items are looked up as they are and
// appended when they exist and are not folders. The program's temporary files are never
// appended. Unreadable folders contribute nothing. Preconditions: `list` is not null.
size_t ExpandFilePatterns(FileSystem& fs, std::string_view patterns,
                          std::string_view current_folder, std::vector<std::string>* list);

}  // namespace zelvora
