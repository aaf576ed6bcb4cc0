#include "links/link_target.h"

#include <algorithm>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/wildcard.h"

namespace zelvora {
namespace {

// Scheme texts, tested in this order on the upper-cased value. "HTTPS:" is a web address as
// much as "HTTP:"; without it every secure external link would be reported as a missing file.
struct SchemeKind {
  std::string_view text;
  TargetKind kind;
};
constexpr SchemeKind kSchemes[] = {
    {"HTTP:", TargetKind::trWebLink},  {"HTTPS:", TargetKind::trWebLink},
    {"MAILTO:", TargetKind::trMailto}, {"JAVASCRIPT:", TargetKind::trJavaScript},
    {"TEL:", TargetKind::trTel},
};

// True when `text` holds `upper_word` (upper case) in any letter case; looks in place.
bool ContainsIgnoringAsciiCase(std::string_view text, std::string_view upper_word) {
  const auto same = [](char a, char b) {
    return (a >= 'a' && a <= 'z' ? static_cast<char>(a - ('a' - 'A')) : a) == b;
  };
  return std::search(text.begin(), text.end(), upper_word.begin(), upper_word.end(), same) !=
         text.end();
}

std::string_view CutAt(std::string_view text, char mark) { return text.substr(0, text.find(mark)); }

// The folder that relative paths in `linking_file` are taken against, with a trailing "/";
// empty when it cannot be known.
std::string BaseFolderOf(std::string_view linking_file) {
  const std::string_view folder = FolderPart(linking_file);
  if (folder.starts_with('/')) return std::string(folder);
  auto current = CurrentFolder();
  if (!current.ok()) return std::string();
  return ResolvePath(*current, folder);
}

// Appends the files of `folder` whose names match `pattern`, sorted by name ignoring case so
// that "the first file" of a folder does not depend on the order the disk keeps.
size_t AppendMatches(FileSystem& fs, const std::string& folder, std::string_view pattern,
                     std::vector<std::string>* list) {
  auto entries = fs.ListFolder(folder.empty() ? std::string(".") : folder);
  if (!entries.ok()) return 0;
  std::vector<std::string> names;
  for (const FolderEntry& entry : *entries) {
    if (entry.is_folder || IsTemporaryName(entry.name)) continue;
    if (MatchesWildcard(pattern, entry.name)) names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const auto folded_less = [](char x, char y) {
      const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
      return static_cast<unsigned char>(fold(x)) < static_cast<unsigned char>(fold(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded_less)) {
      return true;
    }
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded_less)) {
      return false;
    }
    return a < b;
  });
  for (const std::string& name : names) list->push_back(folder + name);
  return names.size();
}

size_t AppendIfFile(FileSystem& fs, const std::string& path, std::vector<std::string>* list) {
  if (IsTemporaryName(NamePart(path))) return 0;
  const auto kind = fs.Lookup(path);
  if (!kind.ok() || *kind == FileKind::kFolder) return 0;
  list->push_back(path);
  return 1;
}

}  // namespace

TargetKind ResolveTarget(FileSystem& fs, std::string_view value, std::string_view linking_file,
                         std::vector<std::string>* targets, const KnownFile& known_file,
                         TargetSource source) {
  std::string_view target = value;
  std::string with_slashes;  // a copy only for the rare value written with "\"
  if (value.find('\\') != std::string_view::npos) {
    with_slashes = value;
    std::replace(with_slashes.begin(), with_slashes.end(), '\\', '/');
    target = with_slashes;
  }

  for (const SchemeKind& scheme : kSchemes) {
    if (ContainsIgnoringAsciiCase(target, scheme.text)) return scheme.kind;
  }

  // The linking file itself, under the very name it was processed by, so that the run
  // recognises it as visited; its name is not split at commas nor expanded as a pattern.
  if (target.empty()) {
    const std::string self(linking_file);
    return AppendIfFile(fs, self, targets) == 0 ? TargetKind::trNotFound : TargetKind::trFound;
  }

  std::string_view rest = CutAt(target, '#');
  if (source == TargetSource::kLink) rest = CutAt(rest, '?');
  if (rest.empty()) return TargetKind::trNoPath;
  const std::string base_folder = BaseFolderOf(linking_file);
  if (base_folder.empty() && !rest.starts_with('/')) return TargetKind::trNotFound;
  std::string path = ResolvePath(base_folder, rest);
  const bool plain = path.find(',') == std::string::npos && !HasWildcard(NamePart(path));
  if (plain && known_file && known_file(path)) {
    targets->push_back(std::move(path));
    return TargetKind::trFound;
  }
  const auto kind = fs.Lookup(path);
  const bool is_folder = kind.ok() && *kind == FileKind::kFolder;
  if (is_folder) {
    if (!path.ends_with('/')) path += '/';
    path += "*.*";
  } else if (plain) {
    // One plain name, the usual link: the lookup just made tells all.
    if (!kind.ok() || IsTemporaryName(NamePart(path))) return TargetKind::trNotFound;
    targets->push_back(std::move(path));
    return TargetKind::trFound;
  }
  return ExpandFilePatterns(fs, path, base_folder, targets) == 0 ? TargetKind::trNotFound
                                                                 : TargetKind::trFound;
}

size_t ExpandFilePatterns(FileSystem& fs, std::string_view patterns,
                          std::string_view current_folder, std::vector<std::string>* list) {
  size_t appended = 0;
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(',', start);
    if (end == std::string_view::npos) end = patterns.size();
    const std::string_view item = patterns.substr(start, end - start);
    start = end + 1;
    if (item.empty()) continue;

    const std::string path = (item.starts_with('/') || current_folder.empty())
                                 ? std::string(item)
                                 : ResolvePath(current_folder, item);
    const std::string_view name = NamePart(path);
    if (HasWildcard(name)) {
      appended += AppendMatches(fs, std::string(FolderPart(path)), name, list);
    } else {
      appended += AppendIfFile(fs, path, list);
    }
  }
  return appended;
}

}  // namespace zelvora
