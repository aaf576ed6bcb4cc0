#include "links/link_target.h"

#include <algorithm>
#include <optional>

#include "links/character_references.h"
#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/wildcard.h"

namespace zelvora {
namespace {

// The schemes that have a kind of their own; any other scheme is a web address.
struct SchemeKind {
  std::string_view name;  // upper case, without the ":"
  TargetKind kind;
};
constexpr SchemeKind kSchemes[] = {
    {"HTTP", TargetKind::trWebLink},  {"HTTPS", TargetKind::trWebLink},
    {"MAILTO", TargetKind::trMailto}, {"JAVASCRIPT", TargetKind::trJavaScript},
    {"TEL", TargetKind::trTel},
};

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

bool SameIgnoringAsciiCase(std::string_view text, std::string_view upper) {
  return text.size() == upper.size() &&
         std::equal(text.begin(), text.end(), upper.begin(), [](char a, char b) {
           return (a >= 'a' && a <= 'z' ? static_cast<char>(a - ('a' - 'A')) : a) == b;
         });
}

// The kind of `value` when it is an address: when it begins (after blanks, which browsers
// ignore too) with "//", a host's address without its scheme, or with a scheme: a letter,
// then letters, digits, "+", "-" or ".", then ":", two characters at least before the ":" so
// that a drive letter is no scheme. A ":" or "//" further on, in a name, a query or a
// fragment, leaves the value a local path.
std::optional<TargetKind> AddressKind(std::string_view value) {
  while (!value.empty() && static_cast<unsigned char>(value.front()) <= 0x20)
    value.remove_prefix(1);
  if (value.starts_with("//")) return TargetKind::trWebLink;
  if (value.empty() || !IsAsciiLetter(value.front())) return std::nullopt;
  size_t end = 1;
  while (end < value.size() && (IsAsciiLetter(value[end]) || IsAsciiDigit(value[end]) ||
                                value[end] == '+' || value[end] == '-' || value[end] == '.')) {
    ++end;
  }
  if (end < 2 || end >= value.size() || value[end] != ':') return std::nullopt;
  const std::string_view scheme = value.substr(0, end);
  for (const SchemeKind& known : kSchemes) {
    if (SameIgnoringAsciiCase(scheme, known.name)) return known.kind;
  }
  return TargetKind::trWebLink;
}

int HexDigitValue(char c) {
  if (IsAsciiDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// `path` with each "%XX" (two hexadecimal digits) turned into its byte, as a browser reads a
// link; a "%" without two digits stays as it is. Nothing when `path` holds no such escape, or
// when one stands for a NUL byte, which no file name holds.
std::optional<std::string> DecodePercentEscapes(std::string_view path) {
  std::string decoded;
  bool escaped = false;
  for (size_t i = 0; i < path.size(); ++i) {
    const int high = path[i] == '%' && i + 2 < path.size() ? HexDigitValue(path[i + 1]) : -1;
    const int low = high >= 0 ? HexDigitValue(path[i + 2]) : -1;
    if (low < 0) {
      decoded += path[i];
      continue;
    }
    const char byte = static_cast<char>(high * 16 + low);
    if (byte == '\0') return std::nullopt;
    decoded += byte;
    escaped = true;
    i += 2;
  }
  if (!escaped) return std::nullopt;
  return decoded;
}

std::string_view CutAt(std::string_view text, char mark) { return text.substr(0, text.find(mark)); }

// The folder that relative paths in `linking_file` are taken against, with a trailing
// separator; empty when it cannot be known.
std::string BaseFolderOf(std::string_view linking_file) {
  const std::string_view folder = FolderPart(linking_file);
  if (IsAbsolutePath(folder)) return std::string(folder);
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

// Resolves the local path `rest` (fragment and query cut off) against `base_folder`.
TargetKind ResolveLocalPath(FileSystem& fs, std::string_view rest, const std::string& base_folder,
                            std::vector<std::string>* targets, const KnownFile& known_file) {
  std::string path = ResolvePath(base_folder, rest);
  const bool plain = path.find(',') == std::string::npos && !HasWildcard(NamePart(path));
  if (plain && known_file && known_file(path)) {
    targets->push_back(std::move(path));
    return TargetKind::trFound;
  }
  const auto kind = fs.Lookup(path);
  const bool is_folder = kind.ok() && *kind == FileKind::kFolder;
  if (is_folder) {
    path = JoinPath(path, "*.*");
  } else if (plain) {
    // One plain name, the usual link: the lookup just made tells all.
    if (!kind.ok() || IsTemporaryName(NamePart(path))) return TargetKind::trNotFound;
    targets->push_back(std::move(path));
    return TargetKind::trFound;
  }
  return ExpandFilePatterns(fs, path, base_folder, targets) == 0 ? TargetKind::trNotFound
                                                                 : TargetKind::trFound;
}

// `site_root` as an absolute folder without its trailing "/".
std::string AbsoluteRoot(std::string_view site_root) {
  std::string root(site_root);
  if (!IsAbsolutePath(root)) {
    const auto current = CurrentFolder();
    root = ResolvePath(current.ok() ? *current : std::string("/"), root);
  }
  while (!root.empty() && IsPathSeparator(root.back())) root.pop_back();
  return root;
}

// The local path `rest` (fragment and query cut off) as a web server serving `site_root`
// finds it: a path beginning with "/" starts at the root, and a relative one written in a
// file below the root climbs no higher than the root (".." there stays there). Without a
// root, or for a file outside it, `rest` is taken against `base_folder` as it is. The path is
// worked out from the names as they were reached, so symbolic links below the root lead
// wherever they point, as on a server that follows them.
std::string ServedPath(std::string_view rest, const std::string& base_folder,
                       std::string_view site_root) {
  if (site_root.empty()) return ResolvePath(base_folder, rest);
  const std::string root = AbsoluteRoot(site_root);
  if (IsRootedPath(rest)) return root + ResolvePath("/", rest);
  const std::string folder = ResolvePath(base_folder, "./");
  const std::string root_folder = JoinPath(root, "");
  if (FileNameKey(folder.substr(0, root_folder.size())) != FileNameKey(root_folder)) {
    return ResolvePath(folder, rest);
  }
  // The folder's place on the server ("/blog/"), then the link taken against it.
  const std::string served_folder = folder.substr(root.size());
  return root + ResolvePath(served_folder, rest);
}

}  // namespace

TargetKind ResolveTarget(FileSystem& fs, std::string_view value, std::string_view linking_file,
                         std::vector<std::string>* targets, const KnownFile& known_file,
                         TargetSource source, std::string_view site_root) {
  std::string_view target = value;
  std::string with_slashes;  // a copy only for the rare value written with "\"
  // A "\" separates folders as "/" does. Where the system takes only "/", it becomes one;
  // Windows takes both, and there a value that begins with "\\" is a shared folder's path.
  if (!IsPathSeparator('\\') && value.find('\\') != std::string_view::npos) {
    with_slashes = value;
    std::replace(with_slashes.begin(), with_slashes.end(), '\\', '/');
    target = with_slashes;
  }

  if (const auto address = AddressKind(target)) return *address;

  // The linking file itself, under the very name it was processed by, so that the run
  // recognises it as visited; its name is not split at commas nor expanded as a pattern.
  if (target.empty()) {
    const std::string self(linking_file);
    return AppendIfFile(fs, self, targets) == 0 ? TargetKind::trNotFound : TargetKind::trFound;
  }

  const std::string base_folder = BaseFolderOf(linking_file);
  // One reading of the value: the fragment (and in a link the query) cut off, the rest found
  // as written or, failing that, with its "%XX" escapes decoded ("my%20page.htm" names
  // "my page.htm"; a file whose name holds the "%" itself was looked for first).
  const auto resolve = [&](std::string_view written) {
    std::string_view rest = CutAt(written, '#');
    if (source == TargetSource::kLink) rest = CutAt(rest, '?');
    if (rest.empty()) return TargetKind::trNoPath;
    if (base_folder.empty() && !IsAbsolutePath(rest) && !IsRootedPath(rest)) {
      return TargetKind::trNotFound;
    }
    const auto find = [&](std::string_view local) {
      return ResolveLocalPath(fs, ServedPath(local, base_folder, site_root), base_folder, targets,
                              known_file);
    };
    const TargetKind kind = find(rest);
    if (kind != TargetKind::trNotFound) return kind;
    const auto decoded = DecodePercentEscapes(rest);
    return decoded ? find(*decoded) : kind;
  };
  const TargetKind kind = resolve(target);
  if (kind != TargetKind::trNotFound || source != TargetSource::kLink) return kind;
  // A link is markup: "a&amp;b.htm" names "a&b.htm", as a browser reads the attribute.
  const auto unescaped = DecodeCharacterReferences(target);
  return unescaped ? resolve(*unescaped) : kind;
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

    const std::string path = (IsAbsolutePath(item) || current_folder.empty())
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
