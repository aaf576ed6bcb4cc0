// Reading a helper program's whole output in the tests of platform/running_program.h.
#pragma once

#include <string>

#include "platform/running_program.h"

namespace zelvora::testing {

// Everything `program` writes until it closes its output, read in small pieces so that
// output arriving in parts is joined across reads; or the failure of a read.
inline Result<std::string> ReadAll(RunningProgram& program) {
  std::string text;
  char piece[7];
  for (;;) {
    auto got = program.Read(piece);
    if (!got.ok()) return got.status();
    if (*got == 0) return text;
    text.append(piece, *got);
  }
}

}  // namespace zelvora::testing
