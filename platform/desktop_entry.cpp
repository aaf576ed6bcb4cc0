#include "platform/desktop_entry.h"

#include <cstdlib>

#include "platform/user_folders.h"

namespace zelvora {
namespace {

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// Resolves the escapes of a desktop entry's string values. A backslash before any other
// character stays, so that the Exec key's own quoting rules see it.
std::string UnescapeValue(std::string_view value) {
  std::string text;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      text += value[i];
      continue;
    }
    switch (value[++i]) {
      case 's':
        text += ' ';
        break;
      case 'n':
        text += '\n';
        break;
      case 't':
        text += '\t';
        break;
      case 'r':
        text += '\r';
        break;
      case '\\':
        text += '\\';
        break;
      default:
        text += '\\';
        text += value[i];
    }
  }
  return text;
}

void AddFolders(std::vector<std::string>& folders, std::string_view list) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string_view::npos) end = list.size();
    const std::string_view folder = list.substr(start, end - start);
    if (!folder.empty() && folder.front() == '/') {
      std::string path(folder);
      if (path.back() != '/') path += '/';
      folders.push_back(path + "applications/");
    }
    start = end + 1;
  }
}

const char* EnvironmentOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

bool IsRegularFile(FileSystem& fs, const std::string& path) {
  const auto info = fs.Stat(path);
  return info.ok() && info->kind == FileKind::kRegular;
}

bool IsFolder(FileSystem& fs, const std::string& path) {
  const auto info = fs.Stat(path);
  return info.ok() && info->kind == FileKind::kFolder;
}

// Looks for `id` in `folder`: as a file of that name, or with one of its "-" standing for a
// sub-folder ("vendor-app.desktop" as vendor/app.desktop), recursively.
std::optional<std::string> FindIdIn(const std::string& folder, std::string_view id,
                                    FileSystem& fs) {
  const std::string direct = folder + std::string(id);
  if (IsRegularFile(fs, direct)) return direct;
  for (size_t dash = id.find('-'); dash != std::string_view::npos; dash = id.find('-', dash + 1)) {
    const std::string sub = folder + std::string(id.substr(0, dash)) + "/";
    if (dash == 0 || !IsFolder(fs, sub)) continue;
    if (auto found = FindIdIn(sub, id.substr(dash + 1), fs)) return found;
  }
  return std::nullopt;
}

// Splits Exec into words by its quoting rules; each word remembers whether it was quoted.
struct ExecWord {
  std::string text;
  bool quoted = false;
};

Result<std::vector<ExecWord>> SplitExec(std::string_view exec) {
  std::vector<ExecWord> words;
  ExecWord current;
  bool in_word = false;
  char quote = 0;
  for (size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (quote == '"') {
      if (c == '\\' && i + 1 < exec.size() &&
          std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
        current.text += exec[++i];
      } else if (c == '"') {
        quote = 0;
      } else {
        current.text += c;
      }
    } else if (quote == '\'') {
      if (c == '\'') {
        quote = 0;
      } else {
        current.text += c;
      }
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (in_word) words.push_back(std::move(current));
      current = ExecWord();
      in_word = false;
    } else {
      in_word = true;
      if (c == '"' || c == '\'') {
        quote = c;
        current.quoted = true;
      } else if (c == '\\' && i + 1 < exec.size()) {
        current.text += exec[++i];
      } else {
        current.text += c;
      }
    }
  }
  if (quote != 0) return Status::Error("Exec has an unterminated quote: " + std::string(exec));
  if (in_word) words.push_back(std::move(current));
  if (words.empty()) return Status::Error("Exec is empty");
  return words;
}

bool IsPathCode(char code) { return code == 'f' || code == 'F'; }
bool IsUrlCode(char code) { return code == 'u' || code == 'U'; }

}  // namespace

Result<DesktopEntry> ParseDesktopEntry(std::string_view text, std::string file) {
  DesktopEntry entry;
  entry.file = std::move(file);
  bool in_main_group = false;
  bool has_exec = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      in_main_group = line == "[Desktop Entry]";
      continue;
    }
    const size_t equals = line.find('=');
    if (!in_main_group || equals == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string value = UnescapeValue(Trim(line.substr(equals + 1)));
    if (key == "Exec") {
      entry.exec = value;
      has_exec = true;
    } else if (key == "Name") {
      entry.name = value;
    } else if (key == "Icon") {
      entry.icon = value;
    }
  }
  if (!has_exec) return Status::Error(entry.file + " has no Exec key");
  return entry;
}

std::vector<std::string> ApplicationFolders() {
  std::vector<std::string> folders;
  const char* data_home = std::getenv("XDG_DATA_HOME");
  if (data_home != nullptr && data_home[0] == '/') {
    AddFolders(folders, data_home);
  } else {
    AddFolders(folders, HomeFolder() + "/.local/share");
  }
  AddFolders(folders, EnvironmentOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"));
  return folders;
}

std::optional<std::string> FindDesktopFile(std::string_view id,
                                           const std::vector<std::string>& folders,
                                           FileSystem& fs) {
  constexpr std::string_view kSuffix = ".desktop";
  if (id.size() <= kSuffix.size() || !id.ends_with(kSuffix) ||
      id.find('/') != std::string_view::npos || id.front() == '.') {
    return std::nullopt;
  }
  for (const std::string& folder : folders) {
    if (auto found = FindIdIn(folder, id, fs)) return found;
  }
  return std::nullopt;
}

Result<std::vector<std::string>> ExecCommandLine(const DesktopEntry& entry,
                                                 const ExecTarget& target) {
  const auto words = SplitExec(entry.exec);
  if (!words.ok()) return words.status();
  if (words->front().text.find('%') != std::string::npos) {
    return Status::Error("Exec does not begin with a program: " + entry.exec);
  }
  std::vector<std::string> command;
  bool argument_placed = false;
  for (const ExecWord& word : *words) {
    if (word.text == "%i") {
      if (!entry.icon.empty()) command.insert(command.end(), {"--icon", entry.icon});
      continue;
    }
    std::string expanded;
    for (size_t i = 0; i < word.text.size(); ++i) {
      const char c = word.text[i];
      if (c != '%' || i + 1 == word.text.size()) {
        expanded += c;
        continue;
      }
      const char code = word.text[++i];
      if (IsPathCode(code)) {
        expanded += target.path;
        argument_placed = true;
      } else if (IsUrlCode(code)) {
        expanded += target.url;
        argument_placed = true;
      } else if (code == 'c') {
        expanded += entry.name;
      } else if (code == 'k') {
        expanded += entry.file;
      } else if (code == 'i') {
        expanded += entry.icon;
      } else if (code == '%') {
        expanded += '%';
      }  // deprecated and unknown codes are removed
    }
    if (expanded.empty() && !word.text.empty() && !word.quoted) continue;
    command.push_back(std::move(expanded));
  }
  if (!argument_placed && !target.url.empty()) command.push_back(target.url);
  return command;
}

}  // namespace zelvora
