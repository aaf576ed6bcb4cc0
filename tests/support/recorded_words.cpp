#include "tests/support/recorded_words.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace zelvora::testing {
namespace {

std::vector<std::string> WordsOf(const std::string& text) {
  std::vector<std::string> words;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\0', start);
    words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

}  // namespace

// Writes the arguments after the first, each followed by a NUL, to the file the first names:
// whole or not at all, through a temporary file that is then renamed.
ZELVORA_TEST_HELPER(record_words) {
  std::string text;
  for (size_t i = 1; i < args.size(); ++i) text += args[i] + '\0';
  WriteBytes(args[0] + ".new", text);
  std::filesystem::rename(NativePath(args[0] + ".new"), NativePath(args[0]));
  return 0;
}

std::vector<std::string> RecorderCommand(const std::string& file) {
  return {ZELVORA_TEST_HELPER_BINARY, std::string(kHelperFlag) + "record_words", file};
}

std::vector<std::string> RecordedWords(const std::string& file) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!PathExists(file) && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return PathExists(file) ? WordsOf(ReadBytes(file)) : std::vector<std::string>{"(nothing)"};
}

}  // namespace zelvora::testing
