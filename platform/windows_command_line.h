// Command lines of Windows programs. A Windows program receives one command line, which its
// start-up code splits into words (the rules of CommandLineToArgvW and the C runtime); to pass
// a list of words exactly, they are quoted so that this split gives them back. And the shell's
// association commands ("C:\...\browser.exe" -url "%1"), whose placeholders name the file.
// Plain text functions, without the system, so that they are the same wherever they are built.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace zelvora {

// The command line (UTF-8) whose split gives back `argv`: argv[0] (the program, which the
// start-up code takes up to the next blank, or between quotes, without escapes) in quotes when
// it holds a blank or is empty; each other word as it is when it holds no blank, tab, newline
// or quote and is not empty, otherwise in quotes, with the backslashes before a quote and
// before the closing quote doubled and each quote escaped by a backslash. Fails with EINVAL
// when a word holds a NUL, or argv[0] a quote, which no command line can carry.
// Precondition: `argv` is not empty.
Result<std::string> WindowsCommandLine(const std::vector<std::string>& argv);

// The words of an association command (already split) for `target`: "%1", "%L" and "%l" (the
// file) and "%V" and "%v" (the file or address) become `target`, "%%" becomes "%", and other
// placeholders ("%*", "%I", "%2", ...) are removed, a word left empty by that too. When no
// word named the target, it is added as the last word.
std::vector<std::string> AssociationWords(const std::vector<std::string>& words,
                                          std::string_view target);

}  // namespace zelvora
