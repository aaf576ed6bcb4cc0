// A stand-in program for tests of starting programs: helper "record_words" (of the test binary)
// writes the words it was started with to a file, where the test reads them.
#pragma once

#include <string>
#include <vector>

namespace zelvora::testing {

// The command line that starts helper "record_words": it writes `words`, which the caller
// appends, to `file`.
std::vector<std::string> RecorderCommand(const std::string& file);

// The words that the recorder wrote to `file`, waiting up to 30 seconds for it to write them;
// {"(nothing)"} when it did not.
std::vector<std::string> RecordedWords(const std::string& file);

}  // namespace zelvora::testing
