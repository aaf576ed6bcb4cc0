#include "platform/windows_command_line.h"

#include <cerrno>

namespace zelvora {
namespace {

// `word` quoted for the start-up code's split of every word after the first.
std::string QuotedArgument(std::string_view word) {
  if (!word.empty() && word.find_first_of(" \t\n\v\"") == std::string_view::npos) {
    return std::string(word);
  }
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count as escapes only before a quote: there they are doubled, and the
    // quote itself gets one more.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');  // before the closing quote
  return quoted + '"';
}

bool NamesTarget(char code) {
  return code == '1' || code == 'L' || code == 'l' || code == 'V' || code == 'v';
}

}  // namespace

Result<std::string> WindowsCommandLine(const std::vector<std::string>& argv) {
  for (const std::string& word : argv) {
    if (word.find('\0') != std::string::npos) {
      return Status::Error("a word of the command line holds a NUL character", EINVAL);
    }
  }
  const std::string& program = argv.front();
  if (program.find('"') != std::string::npos) {
    return Status::Error("a program name holds a quote: " + program, EINVAL);
  }
  std::string line = program.empty() || program.find_first_of(" \t") != std::string::npos
                         ? "\"" + program + "\""
                         : program;
  for (size_t i = 1; i < argv.size(); ++i) line += " " + QuotedArgument(argv[i]);
  return line;
}

std::vector<std::string> AssociationWords(const std::vector<std::string>& words,
                                          std::string_view target) {
  std::vector<std::string> result;
  bool named = false;
  for (const std::string& word : words) {
    std::string filled;
    bool had_code = false;
    for (size_t i = 0; i < word.size(); ++i) {
      if (word[i] != '%' || i + 1 == word.size()) {
        filled += word[i];
        continue;
      }
      const char code = word[++i];
      had_code = true;
      if (code == '%') {
        filled += '%';
      } else if (NamesTarget(code)) {
        filled += target;
        named = true;
      }
    }
    if (!filled.empty() || !had_code) result.push_back(std::move(filled));
  }
  if (!named) result.emplace_back(target);
  return result;
}

}  // namespace zelvora
