// zelvora-stamp: stamps a page and the local pages it links to, from the command line.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "cli/stamp_command.h"
#include "platform/terminal.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  zelvora::CatchInterrupts();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const zelvora::StampCommandIo io{
      std::cin,
      std::cout,
      std::cerr,
      zelvora::IsTerminal(zelvora::StandardStream::kInput),
      zelvora::IsTerminal(zelvora::StandardStream::kError),
  };
  return zelvora::RunStampCommand(args, io);
}
